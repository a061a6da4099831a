// SPDX-License-Identifier: MIT
#include "engine/net/hostlookup.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cstring>
#include <memory>
#include <netdb.h>
#include <netinet/in.h>
#include <system_error>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

// No single wait is longer than this, so a stop request is seen in time.
constexpr auto kWaitSlice = std::chrono::milliseconds(250);

// Shared between the caller and the helper thread; whichever lets go last frees it.
struct Lookup {
    std::mutex mutex;
    std::condition_variable done;
    bool finished = false;
    LookupResult result = LookupResult::NotFound;
    std::vector<HostAddress> addresses;
};

bool Same(const HostAddress& a, const HostAddress& b) {
    return a.length == b.length && std::memcmp(&a.storage, &b.storage, a.length) == 0;
}

void Resolve(const std::shared_ptr<Lookup>& lookup, const std::string& host) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* list = nullptr;
    const int rc = ::getaddrinfo(host.c_str(), nullptr, &hints, &list);
    std::vector<HostAddress> addresses;
    for (const addrinfo* item = list; rc == 0 && item != nullptr; item = item->ai_next) {
        if ((item->ai_family != AF_INET && item->ai_family != AF_INET6) ||
            item->ai_addrlen > sizeof(sockaddr_storage)) {
            continue;
        }
        HostAddress address;
        std::memcpy(&address.storage, item->ai_addr, item->ai_addrlen);
        address.length = item->ai_addrlen;
        address.SetPort(0);
        if (std::none_of(addresses.begin(), addresses.end(),
                         [&](const HostAddress& seen) { return Same(seen, address); })) {
            addresses.push_back(address);
        }
    }
    if (list != nullptr) {
        ::freeaddrinfo(list);
    }
    std::lock_guard lock(lookup->mutex);
    lookup->result = LookupResultForCode(rc, !addresses.empty());
    if (lookup->result == LookupResult::Found) {
        lookup->addresses = std::move(addresses);
    }
    lookup->finished = true;
    lookup->done.notify_all();
}

bool Stopped(const std::atomic<bool>* stop) {
    return stop != nullptr && stop->load();
}

} // namespace

LookupResult LookupResultForCode(int code, bool anyAddress) {
    if (code == 0 && anyAddress) {
        return LookupResult::Found;
    }
    return code == EAI_AGAIN ? LookupResult::Unanswered : LookupResult::NotFound;
}

std::string HostKey(const std::string& host) {
    std::string key = host;
    std::transform(key.begin(), key.end(), key.begin(), [](unsigned char c) {
        return static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    });
    return key;
}

void HostAddress::SetPort(std::uint16_t port) {
    if (storage.ss_family == AF_INET) {
        reinterpret_cast<sockaddr_in*>(&storage)->sin_port = htons(port);
    } else if (storage.ss_family == AF_INET6) {
        reinterpret_cast<sockaddr_in6*>(&storage)->sin6_port = htons(port);
    }
}

bool ParseAddressLiteral(const std::string& text, HostAddress& out) {
    HostAddress address;
    auto* in4 = reinterpret_cast<sockaddr_in*>(&address.storage);
    auto* in6 = reinterpret_cast<sockaddr_in6*>(&address.storage);
    if (::inet_pton(AF_INET, text.c_str(), &in4->sin_addr) == 1) {
        in4->sin_family = AF_INET;
        address.length = sizeof(sockaddr_in);
    } else if (::inet_pton(AF_INET6, text.c_str(), &in6->sin6_addr) == 1) {
        in6->sin6_family = AF_INET6;
        address.length = sizeof(sockaddr_in6);
    } else {
        return false;
    }
    out = address;
    return true;
}

LookupResult LookupHost(const std::string& host, std::vector<HostAddress>& out,
                        Clock::time_point deadline, const std::atomic<bool>* stop) {
    auto lookup = std::make_shared<Lookup>();
    try {
        std::thread([lookup, host] { Resolve(lookup, host); }).detach();
    } catch (const std::system_error&) {
        Resolve(lookup, host); // no thread to spare: resolve here, uninterruptibly
    }
    std::unique_lock lock(lookup->mutex);
    for (;;) {
        if (lookup->finished) {
            if (lookup->result == LookupResult::Found) {
                out = lookup->addresses;
            }
            return lookup->result;
        }
        const auto now = Clock::now();
        if (Stopped(stop) || now >= deadline) {
            return LookupResult::Interrupted;
        }
        lookup->done.wait_for(lock, std::min<Clock::duration>(deadline - now, kWaitSlice));
    }
}

HostLookupCache::HostLookupCache(HostResolver resolver) : m_resolver(std::move(resolver)) {}

LookupResult HostLookupCache::Lookup(const std::string& host, std::vector<HostAddress>& out,
                                     Clock::time_point deadline, const std::atomic<bool>* stop) {
    const std::string key = HostKey(host);
    std::unique_lock lock(m_mutex);
    for (;;) {
        const auto found = m_entries.find(key);
        if (found == m_entries.end()) {
            break; // nobody has asked, or the last asker was interrupted: ask now
        }
        if (!found->second.pending) {
            if (found->second.result == LookupResult::Found) {
                out = found->second.addresses;
            }
            return found->second.result;
        }
        const auto now = Clock::now();
        if (Stopped(stop) || now >= deadline) {
            return LookupResult::Interrupted;
        }
        m_done.wait_for(lock, std::min<Clock::duration>(deadline - now, kWaitSlice));
    }
    m_entries.emplace(key, Entry{});
    ++m_resolverCalls;
    lock.unlock();

    std::vector<HostAddress> addresses;
    LookupResult result = LookupResult::Interrupted;
    try {
        result =
            m_resolver ? m_resolver(host, addresses) : LookupHost(host, addresses, deadline, stop);
    } catch (...) {
        lock.lock();
        m_entries.erase(key);
        m_done.notify_all();
        throw;
    }

    lock.lock();
    if (result == LookupResult::Interrupted || result == LookupResult::Unanswered) {
        m_entries.erase(key);
    } else {
        Entry& entry = m_entries[key];
        entry.pending = false;
        entry.result = result;
        entry.addresses = addresses;
    }
    m_done.notify_all();
    lock.unlock();
    if (result == LookupResult::Found) {
        out = std::move(addresses);
    }
    return result;
}

int HostLookupCache::ResolverCalls() const {
    std::lock_guard lock(m_mutex);
    return m_resolverCalls;
}
