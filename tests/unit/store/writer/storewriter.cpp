// SPDX-License-Identifier: MIT
// A second process for the store's tests.
//
//   store_test_writer PATH PREFIX COUNT
//     adds COUNT checks of names "PREFIX<i>.test", flushes, prints "stored COUNT";
//     exit 0, or 2 when the store gave a notice (printed on standard error).
//   store_test_writer PATH PREFIX 0
//     adds checks without end and prints the number committed after each
//     commit, one line each, until it is killed.

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "engine/store/sqliteresultstore.h"

namespace {

StoredCheck Check(const std::string& prefix, long index) {
    StoredCheck check;
    check.domainAscii = prefix + std::to_string(index) + ".test";
    check.domainUnicode = check.domainAscii;
    check.askedAt = static_cast<std::int64_t>(std::time(nullptr));
    check.protocol = 1;
    check.server = "whois.example.test";
    check.status = index % 3 == 0 ? 2 : 1;
    check.values.expiry = "2027-01-01";
    check.values.registrar = "Example Registrar";
    check.values.owner = "Owner " + std::to_string(index % 7);
    check.values.email = "owner" + std::to_string(index) + "@example.test";
    // Answers of a few shapes, so some are shared and some are not.
    check.answer = "Domain Name: " + check.domainAscii + "\r\n" + std::string(400, 'T') +
                   "\r\nRegistrant: " + check.values.owner + "\r\n";
    return check;
}

void Say(const std::string& line) {
    const std::string text = line + "\n";
    // Straight to the descriptor: the parent reads it while this process
    // may be killed at any moment.
    [[maybe_unused]] const auto written = ::write(STDOUT_FILENO, text.data(), text.size());
}

int ReportNotices(ResultStore& store) {
    int count = 0;
    for (const auto& notice : store.TakeNotices()) {
        std::fprintf(stderr, "notice: %s\n", notice.english.c_str());
        ++count;
    }
    return count;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: store_test_writer PATH PREFIX COUNT\n");
        return 1;
    }
    const std::string path = argv[1];
    const std::string prefix = argv[2];
    const long count = std::strtol(argv[3], nullptr, 10);
    auto store = SqliteResultStore::OpenWith(path, StoreRetention{});
    if (count > 0) {
        for (long i = 0; i < count; ++i) {
            store->Add(Check(prefix, i));
        }
        store->Flush();
        if (ReportNotices(*store) > 0 || !store->Writable()) {
            return 2;
        }
        Say("stored " + std::to_string(store->Committed()));
        return 0;
    }
    store->SetCommitListener([](std::uint64_t committed) { Say(std::to_string(committed)); });
    for (long i = 0;; ++i) {
        store->Add(Check(prefix, i));
        // Keep the queue short: the parent kills this process, not its memory.
        while (static_cast<std::uint64_t>(i) > store->Committed() + 2000) {
            std::this_thread::yield();
        }
    }
}
