// SPDX-License-Identifier: MIT
#pragma once

// Turns SIGINT and SIGTERM into a call on an ordinary thread, so nothing but
// the kernel's bookkeeping happens when the signal arrives. The signals are
// blocked in the constructing thread and in every thread it starts later, and
// read from a signalfd by the watcher's own thread.

#include <functional>
#include <signal.h>
#include <thread>

class SignalWatcher {
public:
    // Construct before starting any other thread. `onSignal` runs on the
    // watcher's thread with the signal's number, once per signal.
    explicit SignalWatcher(std::function<void(int)> onSignal);
    // Ends the watcher's thread. The signals stay blocked: one that arrives
    // now, as the program ends, must not kill it with a different status.
    ~SignalWatcher();
    SignalWatcher(const SignalWatcher&) = delete;
    SignalWatcher& operator=(const SignalWatcher&) = delete;

    [[nodiscard]] bool ok() const { return m_signalFd >= 0; }

private:
    void Run();

    std::function<void(int)> m_onSignal;
    int m_signalFd = -1;
    int m_wakeRead = -1; // readable once the destructor wants the thread gone
    int m_wakeWrite = -1;
    std::thread m_thread;
};
