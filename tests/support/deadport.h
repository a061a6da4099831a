// SPDX-License-Identifier: MIT
#pragma once

// A port bound on 127.0.0.1 where nothing listens, held for the object's
// life: every connection to it is refused, and no other socket takes the
// port meanwhile. port() is 0 when the system would not bind one.

#include <arpa/inet.h>
#include <cstdint>
#include <netinet/in.h>
#include <string>
#include <sys/socket.h>
#include <unistd.h>

class DeadPort {
public:
    DeadPort() {
        m_fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (m_fd >= 0 && ::bind(m_fd, reinterpret_cast<sockaddr*>(&address), length) == 0 &&
            ::getsockname(m_fd, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
            m_port = ntohs(address.sin_port);
        }
    }
    ~DeadPort() {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    DeadPort(const DeadPort&) = delete;
    DeadPort& operator=(const DeadPort&) = delete;

    [[nodiscard]] std::uint16_t port() const { return m_port; }
    // "scheme://127.0.0.1:P".
    [[nodiscard]] std::string Url(const std::string& scheme) const {
        return scheme + "://127.0.0.1:" + std::to_string(m_port);
    }

private:
    int m_fd = -1;
    std::uint16_t m_port = 0;
};
