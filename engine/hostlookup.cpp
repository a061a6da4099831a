#include "engine/hostlookup.h"

#include <algorithm>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <netdb.h>
#include <sys/socket.h>
#include <system_error>
#include <thread>

namespace {

// Shared between the caller and the helper thread; whichever lets go last frees it.
struct Lookup {
    std::mutex mutex;
    std::condition_variable done;
    bool finished = false;
    bool found = false;
    in_addr address{};
};

void Resolve(const std::shared_ptr<Lookup>& lookup, const std::string& host) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* list = nullptr;
    const int rc = ::getaddrinfo(host.c_str(), nullptr, &hints, &list);
    std::lock_guard lock(lookup->mutex);
    if (rc == 0 && list != nullptr) {
        // The first address the look-up lists.
        lookup->address = reinterpret_cast<const sockaddr_in*>(list->ai_addr)->sin_addr;
        lookup->found = true;
    }
    if (list != nullptr) {
        ::freeaddrinfo(list);
    }
    lookup->finished = true;
    lookup->done.notify_all();
}

} // namespace

LookupResult LookupIPv4(const std::string& host, in_addr& out,
                        std::chrono::steady_clock::time_point deadline,
                        const std::atomic<bool>* stop) {
    auto lookup = std::make_shared<Lookup>();
    try {
        std::thread([lookup, host] { Resolve(lookup, host); }).detach();
    } catch (const std::system_error&) {
        Resolve(lookup, host); // no thread to spare: resolve here, uninterruptibly
    }
    std::unique_lock lock(lookup->mutex);
    for (;;) {
        if (lookup->finished) {
            if (!lookup->found) {
                return LookupResult::NotFound;
            }
            out = lookup->address;
            return LookupResult::Found;
        }
        const auto now = std::chrono::steady_clock::now();
        if ((stop != nullptr && stop->load()) || now >= deadline) {
            return LookupResult::Interrupted;
        }
        const auto slice = std::min<std::chrono::steady_clock::duration>(
            deadline - now, std::chrono::milliseconds(250));
        lookup->done.wait_for(lock, slice);
    }
}
