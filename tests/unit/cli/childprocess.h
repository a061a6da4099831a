// SPDX-License-Identifier: MIT
#pragma once

// Runs a program as a child process with its own environment, collects its
// standard output and error, and waits for it with a deadline (no sleeping:
// the wait is a poll on the pipes and on a pidfd of the child).

#include <chrono>
#include <functional>
#include <map>
#include <string>
#include <vector>

class ChildProcess {
public:
    struct Setup {
        std::vector<std::string> args; // args[0] is the program
        std::map<std::string, std::string> env;
        bool stderrOnTerminal = false;      // a pseudo-terminal instead of a pipe
        bool stdoutOnTerminal = false;      // the same for standard output
        unsigned short terminalColumns = 0; // their width; 0: the system's default
    };

    explicit ChildProcess(const Setup& setup);
    ~ChildProcess(); // kills a child still running
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    void Signal(int signal) const;
    // True once the child has exited and its output is read; false at the deadline.
    bool WaitForExit(std::chrono::milliseconds timeout);
    // True once the child's standard error holds `text`; false at the
    // deadline or when it ended without writing it.
    bool WaitForErr(const std::string& text, std::chrono::milliseconds timeout);
    // True once `done` holds for the standard output read so far; false at
    // the deadline or when the child ended first.
    bool WaitForOut(const std::function<bool(const std::string&)>& done,
                    std::chrono::milliseconds timeout);

    [[nodiscard]] int exitCode() const { return m_exitCode; } // -1 when killed by a signal
    [[nodiscard]] const std::string& out() const { return m_out; }
    [[nodiscard]] const std::string& err() const { return m_err; }

private:
    // Reads output and notes the exit until `done` holds or everything is
    // over; false at the deadline.
    bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout);

    int m_pid = -1;
    int m_pidFd = -1;
    int m_outFd = -1;
    int m_errFd = -1;
    bool m_exited = false;
    int m_exitCode = -1;
    std::string m_out;
    std::string m_err;
};
