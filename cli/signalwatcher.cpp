// SPDX-License-Identifier: MIT
#include "cli/signalwatcher.h"

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <sys/signalfd.h>
#include <unistd.h>

SignalWatcher::SignalWatcher(std::function<void(int)> onSignal) : m_onSignal(std::move(onSignal)) {
    sigset_t stops;
    sigemptyset(&stops);
    sigaddset(&stops, SIGINT);
    sigaddset(&stops, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stops, nullptr);

    int wake[2];
    if (::pipe2(wake, O_CLOEXEC) != 0) {
        return;
    }
    m_wakeRead = wake[0];
    m_wakeWrite = wake[1];
    m_signalFd = ::signalfd(-1, &stops, SFD_CLOEXEC);
    if (m_signalFd >= 0) {
        m_thread = std::thread([this] { Run(); });
    }
}

SignalWatcher::~SignalWatcher() {
    if (m_thread.joinable()) {
        const char byte = 0;
        while (::write(m_wakeWrite, &byte, 1) < 0 && errno == EINTR) {
        }
        m_thread.join();
    }
    for (const int fd : {m_signalFd, m_wakeRead, m_wakeWrite}) {
        if (fd >= 0) {
            ::close(fd);
        }
    }
}

void SignalWatcher::Run() {
    pollfd fds[2] = {{m_signalFd, POLLIN, 0}, {m_wakeRead, POLLIN, 0}};
    for (;;) {
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            return;
        }
        if (fds[1].revents != 0) {
            return;
        }
        signalfd_siginfo info{};
        if (::read(m_signalFd, &info, sizeof info) == static_cast<ssize_t>(sizeof info)) {
            m_onSignal(static_cast<int>(info.ssi_signo));
        }
    }
}
