// SPDX-License-Identifier: MIT
#pragma once

// A small SOCKS5 or HTTP CONNECT proxy on 127.0.0.1 for tests and
// benchmarks. Each connection is served on its own thread: the handshake is
// read, the destination recorded ("host:port" as the client named it), and,
// unless the proxy is told to refuse, a connection is opened there and
// bytes are relayed both ways until either side closes.
//
//     FakeProxy proxy(FakeProxy::Kind::Socks5);
//     options.proxy = proxy.Url();              // "socks5h://127.0.0.1:P"
//     ... run queries ...
//     EXPECT_EQ(proxy.Destinations(), ...);

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class FakeProxy {
public:
    enum class Kind { Socks5, HttpConnect };

    // Binds 127.0.0.1:0 and starts accepting; throws std::runtime_error
    // when the socket cannot be set up.
    explicit FakeProxy(Kind kind);
    ~FakeProxy();
    FakeProxy(const FakeProxy&) = delete;
    FakeProxy& operator=(const FakeProxy&) = delete;

    [[nodiscard]] std::uint16_t port() const { return m_port; }
    // "socks5h://127.0.0.1:P", "socks5://127.0.0.1:P" or "http://127.0.0.1:P".
    [[nodiscard]] std::string Url(bool remoteNames = true) const;

    // Every later handshake is answered with a refusal (SOCKS "not allowed",
    // HTTP 403) instead of a connection.
    void SetRefusing(bool refusing);

    // Connections accepted, refused ones included.
    [[nodiscard]] std::size_t ConnectionCount() const;
    // When each connection was accepted, in order.
    [[nodiscard]] std::vector<std::chrono::steady_clock::time_point> AcceptTimes() const;
    // The destinations asked for, in order ("host:port").
    [[nodiscard]] std::vector<std::string> Destinations() const;
    // True once `count` handshakes were read; false at the deadline.
    [[nodiscard]] bool WaitForDestinations(std::size_t count,
                                           std::chrono::milliseconds timeout) const;

    void Stop();

private:
    void AcceptLoop();
    void Serve(int client);
    bool Handshake(int client, std::string& host, std::uint16_t& port);
    void Answer(int client, bool ok);

    Kind m_kind;
    int m_listenFd = -1;
    std::uint16_t m_port = 0;
    std::atomic<bool> m_stopped{false};
    std::atomic<bool> m_refusing{false};
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_changed;
    std::size_t m_connections = 0;
    std::vector<std::chrono::steady_clock::time_point> m_accepted;
    std::vector<std::string> m_destinations;
    std::vector<int> m_openFds;
    std::vector<std::thread> m_threads;
    std::thread m_acceptThread;
};
