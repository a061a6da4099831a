// SPDX-License-Identifier: MIT
// The RDAP client's idle connections are capped over all origins, the least
// recently used closed first: a batch touching hundreds of registrars'
// servers holds a bounded number of descriptors.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "engine/rdap/rdapclient.h"
#include "tests/support/fakerdapserver.h"

namespace {

constexpr int kOrigins = 256; // each new connection parses the CA bundle: slow under sanitizers
constexpr std::size_t kIdleCap = 32;
constexpr int kThreads = 4;

std::string Origin(int i) {
    char name[32];
    std::snprintf(name, sizeof name, "r%04d.example", i);
    return name;
}

// The socket inodes whose local port is `port`: the fake server's own
// descriptors (it runs in this process), which the count leaves out.
std::set<std::string> SocketsOnPort(unsigned port) {
    std::set<std::string> inodes;
    for (const char* table : {"/proc/self/net/tcp", "/proc/self/net/tcp6"}) {
        std::ifstream in(table);
        std::string line;
        std::getline(in, line); // header
        while (std::getline(in, line)) {
            std::istringstream fields(line);
            std::string slot, local, remote, state, queues, timer, retransmits, uid, timeout, inode;
            fields >> slot >> local >> remote >> state >> queues >> timer >> retransmits >> uid >>
                timeout >> inode;
            const auto colon = local.rfind(':');
            if (colon != std::string::npos &&
                std::stoul(local.substr(colon + 1), nullptr, 16) == port) {
                inodes.insert("socket:[" + inode + "]");
            }
        }
    }
    return inodes;
}

// Open descriptors of this process, the fake server's left out.
std::size_t ClientDescriptors(unsigned serverPort) {
    const std::set<std::string> server = SocketsOnPort(serverPort);
    std::size_t count = 0;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd", error)) {
        std::error_code linkError;
        const auto target = std::filesystem::read_symlink(entry.path(), linkError);
        if (!linkError && server.count(target.string()) == 0) {
            ++count;
        }
    }
    return count;
}

TEST(RdapConnectionCap, ManyOriginsHoldABoundedNumberOfDescriptors) {
    std::vector<std::string> hosts;
    for (int i = 0; i < kOrigins; ++i) {
        hosts.push_back(Origin(i));
    }
    FakeRdapServer server(hosts);
    server.SetDefaultReply(FakeRdapReply::Json(200, R"({"objectClassName":"domain"})"));
    const unsigned port = server.port();
    const std::size_t before = ClientDescriptors(port);

    RdapClientOptions options;
    options.caFile = server.caFile();
    options.connectTo = server.OverridesFor(hosts);
    options.maxIdleHandles = kIdleCap;
    RdapClient client(options);

    std::atomic<int> next{0};
    std::atomic<int> failures{0};
    std::atomic<std::size_t> most{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&] {
            for (int i = next++; i < kOrigins; i = next++) {
                RdapRequest request;
                request.url = "https://" + Origin(i) + "/domain/x.example";
                if (client.Get(request).status != 200) {
                    ++failures;
                }
                if (i % 16 != 0) {
                    continue; // a count reads the socket tables: now and then is enough
                }
                const std::size_t now = ClientDescriptors(port);
                std::size_t seen = most.load();
                while (now > seen && !most.compare_exchange_weak(seen, now)) {
                }
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(failures.load(), 0);
    EXPECT_LE(most.load(), 256u) << "while the questions ran";
    // Each idle handle holds its connection and a wake-up pair.
    const std::size_t after = ClientDescriptors(port);
    EXPECT_LE(after, before + 3 * kIdleCap) << "at the end";
    EXPECT_GE(after, before + kIdleCap) << "the most recent connections are kept";

    // The most recently used origin still has its connection; the first one
    // asked was closed long ago.
    const std::size_t connections = server.ConnectionCount();
    RdapRequest recent;
    recent.url = "https://" + Origin(kOrigins - 1) + "/domain/x.example";
    EXPECT_EQ(client.Get(recent).status, 200);
    EXPECT_EQ(server.ConnectionCount(), connections) << "reused";
    RdapRequest oldest;
    oldest.url = "https://" + Origin(0) + "/domain/x.example";
    EXPECT_EQ(client.Get(oldest).status, 200);
    EXPECT_EQ(server.ConnectionCount(), connections + 1) << "closed for the cap, so opened anew";
}

} // namespace
