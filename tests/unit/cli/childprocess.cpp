// SPDX-License-Identifier: MIT
#include "childprocess.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <stdexcept>
#include <sys/ioctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

void CloseFd(int& fd) {
    if (fd >= 0) {
        ::close(fd);
        fd = -1;
    }
}

// Reads what is there; false at end of file (EIO is how a pseudo-terminal
// reports that its other side is gone).
bool Drain(int fd, std::string& into) {
    char buffer[4096];
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n > 0) {
        into.append(buffer, static_cast<std::size_t>(n));
        return true;
    }
    return n < 0 && (errno == EINTR || errno == EAGAIN);
}

// The reading and the writing end of a child's output: a pseudo-terminal
// `columns` wide (0: as it comes), or a pipe.
void OpenOutput(bool terminal, unsigned short columns, int& readEnd, int& writeEnd) {
    if (!terminal) {
        int ends[2];
        if (::pipe2(ends, O_CLOEXEC) != 0) {
            throw std::runtime_error("pipe failed");
        }
        readEnd = ends[0];
        writeEnd = ends[1];
        return;
    }
    readEnd = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (readEnd < 0 || ::grantpt(readEnd) != 0 || ::unlockpt(readEnd) != 0) {
        throw std::runtime_error("no pseudo-terminal");
    }
    if (columns > 0) {
        winsize size{};
        size.ws_row = 24;
        size.ws_col = columns;
        ::ioctl(readEnd, TIOCSWINSZ, &size);
    }
    writeEnd = ::open(::ptsname(readEnd), O_RDWR | O_NOCTTY | O_CLOEXEC);
}

} // namespace

ChildProcess::ChildProcess(const Setup& setup) {
    int outRead = -1;
    int outWrite = -1;
    OpenOutput(setup.stdoutOnTerminal, setup.terminalColumns, outRead, outWrite);
    int errRead = -1;
    int errWrite = -1;
    OpenOutput(setup.stderrOnTerminal, setup.terminalColumns, errRead, errWrite);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, outWrite, STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, errWrite, STDERR_FILENO);

    // The child starts with default signal handling and nothing blocked,
    // whatever this test process does.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none;
    sigset_t all;
    sigemptyset(&none);
    sigfillset(&all);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &all);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

    std::vector<char*> argv;
    for (const std::string& arg : setup.args) {
        argv.push_back(const_cast<char*>(arg.c_str()));
    }
    argv.push_back(nullptr);
    std::vector<std::string> envText;
    for (const auto& [key, value] : setup.env) {
        envText.push_back(key + "=" + value);
    }
    std::vector<char*> envp;
    for (std::string& entry : envText) {
        envp.push_back(entry.data());
    }
    envp.push_back(nullptr);

    const int rc = ::posix_spawn(&m_pid, argv[0], &actions, &attributes, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    ::close(outWrite);
    ::close(errWrite);
    m_outFd = outRead;
    m_errFd = errRead;
    if (rc != 0) {
        throw std::runtime_error("cannot start " + setup.args.front());
    }
    m_pidFd = static_cast<int>(::syscall(SYS_pidfd_open, m_pid, 0));
    if (m_pidFd < 0) {
        throw std::runtime_error("pidfd_open failed");
    }
}

ChildProcess::~ChildProcess() {
    if (!m_exited && m_pid > 0) {
        ::kill(m_pid, SIGKILL);
        ::waitpid(m_pid, nullptr, 0);
    }
    CloseFd(m_pidFd);
    CloseFd(m_outFd);
    CloseFd(m_errFd);
}

void ChildProcess::Signal(int signal) const {
    if (!m_exited) {
        ::kill(m_pid, signal);
    }
}

bool ChildProcess::WaitForExit(std::chrono::milliseconds timeout) {
    return WaitUntil([] { return false; }, timeout);
}

bool ChildProcess::WaitForErr(const std::string& text, std::chrono::milliseconds timeout) {
    const auto found = [&] { return m_err.find(text) != std::string::npos; };
    return WaitUntil(found, timeout) && found();
}

bool ChildProcess::WaitForOut(const std::function<bool(const std::string&)>& done,
                              std::chrono::milliseconds timeout) {
    const auto found = [&] { return done(m_out); };
    return WaitUntil(found, timeout) && found();
}

bool ChildProcess::WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (m_outFd >= 0 || m_errFd >= 0 || !m_exited) {
        if (done()) {
            return true;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            return false;
        }
        pollfd fds[3] = {{m_outFd, POLLIN, 0}, {m_errFd, POLLIN, 0}, {m_pidFd, POLLIN, 0}};
        if (m_exited) {
            fds[2].fd = -1;
        }
        if (::poll(fds, 3, static_cast<int>(left.count())) < 0 && errno != EINTR) {
            return false;
        }
        if (fds[0].revents != 0 && !Drain(m_outFd, m_out)) {
            CloseFd(m_outFd);
        }
        if (fds[1].revents != 0 && !Drain(m_errFd, m_err)) {
            CloseFd(m_errFd);
        }
        if (!m_exited && fds[2].revents != 0) {
            int status = 0;
            ::waitpid(m_pid, &status, 0);
            m_exited = true;
            m_exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        }
    }
    return true;
}
