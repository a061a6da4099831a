// SPDX-License-Identifier: MIT
#pragma once

// Owns one socket descriptor, so every early return of a query closes it.

#include <unistd.h>
#include <utility>

class SocketFd {
public:
    explicit SocketFd(int fd) : m_fd(fd) {}
    ~SocketFd() { Reset(); }
    SocketFd(const SocketFd&) = delete;
    SocketFd& operator=(const SocketFd&) = delete;
    SocketFd(SocketFd&& other) noexcept : m_fd(std::exchange(other.m_fd, -1)) {}
    SocketFd& operator=(SocketFd&& other) noexcept {
        if (this != &other) {
            Reset();
            m_fd = std::exchange(other.m_fd, -1);
        }
        return *this;
    }

    [[nodiscard]] int get() const { return m_fd; }
    [[nodiscard]] bool valid() const { return m_fd >= 0; }
    void Reset() {
        if (m_fd >= 0) {
            ::close(m_fd);
            m_fd = -1;
        }
    }

private:
    int m_fd = -1;
};
