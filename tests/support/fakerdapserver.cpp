// SPDX-License-Identifier: MIT
#include "tests/support/fakerdapserver.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr std::size_t kMaxHeaderBytes = 64 * 1024;
constexpr std::size_t kWritePiece = 16 * 1024;

// A peer that closes while we write must not end the test process.
void IgnoreSigpipe() {
    static std::once_flag once;
    std::call_once(once, [] { std::signal(SIGPIPE, SIG_IGN); });
}

const char* ReasonPhrase(int status) {
    switch (status) {
    case 200:
        return "OK";
    case 301:
        return "Moved Permanently";
    case 302:
        return "Found";
    case 303:
        return "See Other";
    case 304:
        return "Not Modified";
    case 307:
        return "Temporary Redirect";
    case 308:
        return "Permanent Redirect";
    case 400:
        return "Bad Request";
    case 403:
        return "Forbidden";
    case 404:
        return "Not Found";
    case 429:
        return "Too Many Requests";
    case 500:
        return "Internal Server Error";
    case 503:
        return "Service Unavailable";
    default:
        return "Status";
    }
}

std::string Lower(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return text;
}

std::string Trim(const std::string& text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

} // namespace

FakeRdapReply FakeRdapReply::Json(int status, std::string body) {
    FakeRdapReply reply;
    reply.status = status;
    reply.body = std::move(body);
    return reply;
}

FakeRdapReply FakeRdapReply::Status(int status) {
    FakeRdapReply reply;
    reply.status = status;
    return reply;
}

FakeRdapReply FakeRdapReply::Redirect(int status, std::string location) {
    FakeRdapReply reply;
    reply.status = status;
    reply.headers.emplace_back("Location", std::move(location));
    return reply;
}

FakeRdapReply FakeRdapReply::Stall() {
    FakeRdapReply reply;
    reply.action = Action::Stall;
    return reply;
}

FakeRdapReply FakeRdapReply::Close() {
    FakeRdapReply reply;
    reply.action = Action::Close;
    return reply;
}

FakeRdapReply&& FakeRdapReply::WithHeader(std::string name, std::string value) && {
    headers.emplace_back(std::move(name), std::move(value));
    return std::move(*this);
}

FakeRdapServer::FakeRdapServer(std::vector<std::string> hostNames)
    : FakeServerLoop(Family::IPv4, Sockets::Blocking, "fake RDAP server") {
    IgnoreSigpipe();
    const TestCertificateAuthority::Issued issued = m_ca.Issue(hostNames);
    m_context.reset(SSL_CTX_new(TLS_server_method()), SSL_CTX_free);
    if (!m_context || SSL_CTX_use_certificate(m_context.get(), issued.certificate.get()) != 1 ||
        SSL_CTX_use_PrivateKey(m_context.get(), issued.key.get()) != 1) {
        throw std::runtime_error("fake RDAP server: cannot set up TLS");
    }

    std::string pattern = "/tmp/zentrix-test-ca-XXXXXX";
    const int caFd = ::mkstemp(pattern.data());
    if (caFd < 0) {
        throw std::runtime_error("fake RDAP server: cannot write the CA file");
    }
    const std::string pem = m_ca.caPem();
    const bool written = ::write(caFd, pem.data(), pem.size()) == static_cast<ssize_t>(pem.size());
    ::close(caFd);
    m_caFile = pattern;
    if (!written) {
        ::unlink(m_caFile.c_str());
        throw std::runtime_error("fake RDAP server: cannot write the CA file");
    }

    m_default = FakeRdapReply::Json(404, R"({"errorCode":404,"title":"Not Found"})");
    StartAccepting();
}

FakeRdapServer::~FakeRdapServer() {
    Stop();
    ::unlink(m_caFile.c_str());
}

void FakeRdapServer::SetReply(const std::string& target, FakeRdapReply reply) {
    SetReplySequence(target, {std::move(reply)});
}

void FakeRdapServer::SetReplySequence(const std::string& target,
                                      std::vector<FakeRdapReply> replies) {
    std::lock_guard lock(m_mutex);
    m_replies.Set(target, std::move(replies));
}

void FakeRdapServer::SetDefaultReply(FakeRdapReply reply) {
    std::lock_guard lock(m_mutex);
    m_default = std::move(reply);
}

FakeRdapReply FakeRdapServer::ReplyFor(const std::string& target) {
    std::lock_guard lock(m_mutex);
    return m_replies.Next(target, m_default);
}

void FakeRdapServer::Serve(Connection& connection) {
    const int fd = connection.fd;
    SSL* ssl = SSL_new(m_context.get());
    bool clean = false; // end with a TLS close_notify

    // Waits for input or the stop signal; false on stop. -1: no time limit;
    // on a time limit, true when it passed quietly.
    auto waitReadable = [&](int timeoutMs, bool* timedOut = nullptr) {
        for (;;) {
            pollfd fds[2] = {{fd, POLLIN, 0}, {wakeFd(), POLLIN, 0}};
            const int ready = ::poll(fds, 2, timeoutMs);
            if (ready < 0 && errno == EINTR) {
                continue;
            }
            if (ready < 0 || fds[1].revents != 0) {
                return false;
            }
            if (ready == 0 && timedOut != nullptr) {
                *timedOut = true;
            }
            return true;
        }
    };
    auto writeAll = [&](const std::string& bytes) {
        for (std::size_t at = 0; at < bytes.size();) {
            const int n = SSL_write(ssl, bytes.data() + at,
                                    static_cast<int>(std::min(kWritePiece, bytes.size() - at)));
            if (n <= 0) {
                return false;
            }
            at += static_cast<std::size_t>(n);
        }
        return true;
    };

    if (ssl != nullptr && SSL_set_fd(ssl, fd) == 1 && waitReadable(-1) && SSL_accept(ssl) == 1) {
        const char* sni = SSL_get_servername(ssl, TLSEXT_NAMETYPE_host_name);
        std::string buffer;
        for (;;) {
            std::size_t end = buffer.find("\r\n\r\n");
            bool alive = true;
            while (alive && end == std::string::npos) {
                if (buffer.size() > kMaxHeaderBytes ||
                    (SSL_pending(ssl) == 0 && !waitReadable(-1))) {
                    alive = false;
                    break;
                }
                char chunk[4096];
                const int n = SSL_read(ssl, chunk, sizeof chunk);
                if (n <= 0) {
                    alive = false;
                    break;
                }
                buffer.append(chunk, static_cast<std::size_t>(n));
                end = buffer.find("\r\n\r\n");
            }
            if (!alive) {
                break;
            }

            FakeRdapRequest request;
            request.connection = connection.index;
            request.arrived = std::chrono::steady_clock::now();
            request.sni = sni != nullptr ? sni : "";
            const std::string head = buffer.substr(0, end);
            buffer.erase(0, end + 4);
            std::size_t lineEnd = head.find("\r\n");
            const std::string requestLine = head.substr(0, lineEnd);
            const auto space1 = requestLine.find(' ');
            const auto space2 = requestLine.find(' ', space1 + 1);
            request.method = requestLine.substr(0, space1);
            if (space1 != std::string::npos) {
                request.target = requestLine.substr(space1 + 1, space2 - space1 - 1);
            }
            while (lineEnd != std::string::npos) {
                const std::size_t from = lineEnd + 2;
                lineEnd = head.find("\r\n", from);
                const std::string line = head.substr(from, lineEnd - from);
                const auto colon = line.find(':');
                if (colon != std::string::npos) {
                    request.headers[Lower(Trim(line.substr(0, colon)))] =
                        Trim(line.substr(colon + 1));
                }
            }
            request.host = request.headers["host"];
            const std::string target = request.target;
            {
                std::lock_guard lock(m_mutex);
                m_requests.push_back(std::move(request));
                m_changed.notify_all();
            }

            const FakeRdapReply reply = ReplyFor(target);
            if (reply.delayMs > 0) {
                // Stopped, or the client left (or spoke) before the delay passed.
                bool passed = false;
                if (!waitReadable(reply.delayMs, &passed) || !passed) {
                    break;
                }
            }
            if (reply.action == FakeRdapReply::Action::Close) {
                break;
            }
            if (reply.action == FakeRdapReply::Action::Stall) {
                char chunk[4096];
                while (waitReadable(-1) && SSL_read(ssl, chunk, sizeof chunk) > 0) {
                }
                break;
            }
            std::string response = "HTTP/1.1 " + std::to_string(reply.status) + " " +
                                   ReasonPhrase(reply.status) + "\r\n";
            if (!reply.contentType.empty()) {
                response += "Content-Type: " + reply.contentType + "\r\n";
            }
            for (const auto& [name, value] : reply.headers) {
                response += name + ": " + value + "\r\n";
            }
            if (reply.closeAfter) {
                response += "Connection: close\r\n";
            }
            if (reply.chunked) {
                response += "Transfer-Encoding: chunked\r\n\r\n";
                for (std::size_t at = 0; at < reply.body.size(); at += kWritePiece) {
                    const std::string piece = reply.body.substr(at, kWritePiece);
                    char size[32];
                    std::snprintf(size, sizeof size, "%zx\r\n", piece.size());
                    response += size + piece + "\r\n";
                }
                response += "0\r\n\r\n";
            } else {
                response += "Content-Length: " + std::to_string(reply.body.size()) + "\r\n\r\n";
                response += reply.body;
            }
            if (!writeAll(response)) {
                break;
            }
            if (reply.closeAfter) {
                clean = true;
                break;
            }
        }
    }
    if (ssl != nullptr) {
        if (clean) {
            SSL_shutdown(ssl);
        }
        SSL_free(ssl);
    }
    ERR_clear_error();
}

std::vector<FakeRdapRequest> FakeRdapServer::Requests() const {
    std::lock_guard lock(m_mutex);
    return m_requests;
}

bool FakeRdapServer::WaitForRequests(std::size_t count, std::chrono::milliseconds timeout) const {
    std::unique_lock lock(m_mutex);
    return m_changed.wait_for(lock, timeout, [&] { return m_requests.size() >= count; });
}
