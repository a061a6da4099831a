// SPDX-License-Identifier: MIT
// The results store. Targets (Release build):
// - storing 20,000 finished rows costs the workers under 2 s in all
//   (add_ms: the Add calls; commit_ms: until the writer has committed them);
// - the latest results of 20,000 names load in under 300 ms;
// - after 20,000 names were checked 20 times each (answers of some KB, a
//   timestamp in each, so most differ) the file stays under 300 MB (size_mb).
//
//   bench_store
//   ZENTRIX_BENCH_STORE=/path/results.sqlite3 bench_store   (keeps the big store)

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/store/sqliteresultstore.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kNames = 20000;
constexpr int kRounds = 20;
constexpr std::int64_t kWeek = 7 * 86400;

double MsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double CpuMs() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

std::string Name(int i) { return "name-" + std::to_string(i) + (i % 3 == 0 ? ".org" : ".com"); }

// Four paragraphs of terms as registries print under every answer: the
// bulk of an answer, the same in every answer of one registry.
std::string Terms(const std::string& registry) {
    std::string text;
    const char* paragraphs[] = {
        "NOTICE: The data in this record is provided by %s for information purposes only, "
        "and to assist persons in obtaining information about or related to a domain name "
        "registration record. %s does not guarantee its accuracy.",
        "By submitting a query, you agree that you will use this data only for lawful "
        "purposes and that, under no circumstances will you use this data to allow, enable, "
        "or otherwise support the transmission of mass unsolicited, commercial advertising "
        "or solicitations via e-mail, telephone, or facsimile; or to enable high volume, "
        "automated, electronic processes that apply to %s (or its computer systems).",
        "The compilation, repackaging, dissemination or other use of this data is expressly "
        "prohibited without the prior written consent of %s. %s reserves the right to modify "
        "these terms at any time. By submitting this query, you agree to abide by this "
        "policy. Access may be limited for queries at a rate the registry deems excessive.",
        "For more information on domain status codes, please visit https://status.%s/epp "
        "and to report inaccurate registration data, see https://report.%s/accuracy-form. "
        "Registrars' contact details for abuse reports are listed above where known.",
    };
    for (const char* paragraph : paragraphs) {
        char line[1024];
        std::snprintf(line, sizeof line, paragraph, registry.c_str(), registry.c_str(),
                      registry.c_str());
        text += line;
        text += "\r\n\r\n";
    }
    return text;
}

std::string IsoTime(std::int64_t when) {
    const std::time_t t = when;
    std::tm utc{};
    gmtime_r(&t, &utc);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return text;
}

// A finished row as a port-43 answer would leave it: registered names with
// a renewal every ten rounds, a third of the names free; every answer ends
// with the time it was given, as most registries' do.
StoredCheck MakeRow(int i, int round, std::int64_t askedAt) {
    static const std::string termsCom = Terms("Example Com Registry Services");
    static const std::string termsOrg = Terms("Example Org Registry");
    StoredCheck check;
    check.domainAscii = Name(i);
    check.domainUnicode = check.domainAscii;
    check.askedAt = askedAt;
    check.protocol = 1;
    check.server = i % 3 == 0 ? "whois.example-org.test" : "whois.example-com.test";
    const std::string& terms = i % 3 == 0 ? termsOrg : termsCom;
    if (i % 3 == 1) {
        check.status = 2;
        check.answer = "No match for \"" + check.domainAscii + "\".\r\n>>> Last update of WHOIS "
                       "database: " +
                       IsoTime(askedAt) + " <<<\r\n\r\n" + terms;
        return check;
    }
    check.status = 1;
    const int renewals = round / 10;
    check.values.expiry = std::to_string(2027 + renewals) + "-0" + std::to_string(1 + i % 9) +
                          "-1" + std::to_string(i % 10);
    check.values.created = "2009-0" + std::to_string(1 + i % 9) + "-1" + std::to_string(i % 10);
    check.values.updated = "2026-01-0" + std::to_string(1 + round % 9);
    check.values.owner = "Owner Number " + std::to_string(i) + " Ltd";
    check.values.email = "a" + std::to_string(i) + "f3c0e1d2b4a5968778695a4b3c2d1e0f.protect@"
                         "privacy-service.example";
    check.values.phone = "+1.555" + std::to_string(1000000 + i);
    check.values.registrar = "Registrar " + std::to_string(i % 40) + ", LLC";
    check.answer = "   Domain Name: " + check.domainAscii +
                   "\r\n   Registry Domain ID: " + std::to_string(1000000 + i) +
                   "_DOMAIN-VRSN\r\n   Registrar WHOIS Server: whois.registrar" +
                   std::to_string(i % 40) + ".example\r\n   Registrar URL: http://www.registrar" +
                   std::to_string(i % 40) + ".example\r\n   Updated Date: " +
                   check.values.updated + "T10:11:12Z\r\n   Creation Date: " +
                   check.values.created + "T04:05:06Z\r\n   Registry Expiry Date: " +
                   check.values.expiry + "T04:05:06Z\r\n   Registrar: " + check.values.registrar +
                   "\r\n   Registrar IANA ID: " + std::to_string(100 + i % 40) +
                   "\r\n   Registrar Abuse Contact Email: abuse@registrar" +
                   std::to_string(i % 40) +
                   ".example\r\n   Registrar Abuse Contact Phone: +1.5555550123\r\n"
                   "   Registrant Name: " +
                   check.values.owner + "\r\n   Registrant Email: " + check.values.email +
                   "\r\n   Registrant Phone: " + check.values.phone +
                   "\r\n   Domain Status: clientTransferProhibited "
                   "https://icann.org/epp#clientTransferProhibited\r\n"
                   "   Name Server: NS1.REGISTRAR" +
                   std::to_string(i % 40) + ".EXAMPLE\r\n   Name Server: NS2.REGISTRAR" +
                   std::to_string(i % 40) +
                   ".EXAMPLE\r\n   DNSSEC: unsigned\r\n   URL of the ICANN Whois Inaccuracy "
                   "Complaint Form: https://www.icann.org/wicf/\r\n>>> Last update of whois "
                   "database: " +
                   IsoTime(askedAt) + " <<<\r\n\r\n" + terms;
    return check;
}

std::vector<std::string> AllNames() {
    std::vector<std::string> names;
    names.reserve(kNames);
    for (int i = 0; i < kNames; ++i) {
        names.push_back(Name(i));
    }
    return names;
}

std::string ScratchStorePath() {
    char folder[] = "/tmp/zentrix-bench-store-XXXXXX";
    if (::mkdtemp(folder) == nullptr) {
        return {};
    }
    return std::string(folder) + "/results.sqlite3";
}

double FileMb(const std::string& path) {
    std::error_code ec;
    double bytes = 0;
    for (const char* suffix : {"", "-wal", "-shm"}) {
        const auto size = std::filesystem::file_size(path + suffix, ec);
        if (!ec) {
            bytes += static_cast<double>(size);
        }
    }
    return bytes / (1024.0 * 1024.0);
}

void RemoveStore(const std::string& path) {
    std::error_code ec;
    std::filesystem::remove_all(std::filesystem::path(path).parent_path(), ec);
}

// 20,000 rows as one batch of the workers leaves them.
void BM_StoreTwentyThousandRows(benchmark::State& state) {
    const std::int64_t now = std::time(nullptr);
    std::vector<StoredCheck> rows;
    rows.reserve(kNames);
    for (int i = 0; i < kNames; ++i) {
        rows.push_back(MakeRow(i, 0, now));
    }
    for (auto _ : state) {
        const std::string path = ScratchStorePath();
        auto store = SqliteResultStore::OpenWith(path, StoreRetention{});
        std::vector<StoredCheck> copies = rows;
        const double cpuBefore = CpuMs();
        const auto start = Clock::now();
        double addMs = 0;
        for (StoredCheck& row : copies) {
            const auto before = Clock::now();
            store->Add(std::move(row));
            addMs += MsSince(before);
        }
        store->Flush();
        const double commitMs = MsSince(start);
        state.SetIterationTime(addMs / 1e3);
        state.counters["add_ms"] = addMs;
        state.counters["commit_ms"] = commitMs;
        state.counters["process_cpu_ms"] = CpuMs() - cpuBefore;
        state.counters["size_mb"] = FileMb(path);
        store.reset();
        RemoveStore(path);
    }
}
BENCHMARK(BM_StoreTwentyThousandRows)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

// The store of months of use, made once: 20 rounds of 20,000 names, a week apart.
const std::string& BigStore(double* buildSeconds) {
    static std::string path;
    static double seconds = 0;
    if (path.empty()) {
        const char* kept = std::getenv("ZENTRIX_BENCH_STORE");
        path = kept != nullptr ? kept : ScratchStorePath();
        if (!std::filesystem::exists(path)) {
            const auto start = Clock::now();
            const std::int64_t now = std::time(nullptr);
            auto store = SqliteResultStore::OpenWith(path, StoreRetention{});
            for (int round = 0; round < kRounds; ++round) {
                const std::int64_t roundStart = now - (kRounds - round) * kWeek;
                for (int i = 0; i < kNames; ++i) {
                    store->Add(MakeRow(i, round, roundStart + i));
                }
                store->Flush();
            }
            store.reset();
            seconds = std::chrono::duration<double>(Clock::now() - start).count();
        }
    }
    if (buildSeconds != nullptr) {
        *buildSeconds = seconds;
    }
    return path;
}

void BM_StoreAfterTwentyRoundsOfTwentyThousandNames(benchmark::State& state) {
    double buildSeconds = 0;
    for (auto _ : state) {
        const std::string& path = BigStore(&buildSeconds);
        state.counters["size_mb"] = FileMb(path);
        state.counters["build_s"] = buildSeconds;
        state.counters["checks"] = static_cast<double>(kNames) * kRounds;
    }
}
BENCHMARK(BM_StoreAfterTwentyRoundsOfTwentyThousandNames)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

void BM_OpenTheBigStore(benchmark::State& state) {
    const std::string& path = BigStore(nullptr);
    for (auto _ : state) {
        auto store = SqliteResultStore::OpenWith(path, StoreRetention{});
        benchmark::DoNotOptimize(store->Writable());
        state.PauseTiming();
        store.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_OpenTheBigStore)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_LatestOfTwentyThousandNames(benchmark::State& state) {
    const std::string& path = BigStore(nullptr);
    auto store = SqliteResultStore::OpenWith(path, StoreRetention{});
    const std::vector<std::string> names = AllNames();
    std::size_t found = 0;
    for (auto _ : state) {
        const auto latest = store->Latest(names);
        found = latest.size();
        benchmark::DoNotOptimize(found);
    }
    state.counters["names_found"] = static_cast<double>(found);
}
BENCHMARK(BM_LatestOfTwentyThousandNames)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_HistoryAndAnswerOfOneName(benchmark::State& state) {
    const std::string& path = BigStore(nullptr);
    auto store = SqliteResultStore::OpenWith(path, StoreRetention{});
    int i = 0;
    for (auto _ : state) {
        const std::string name = Name(i++ % kNames);
        benchmark::DoNotOptimize(store->History(name));
        benchmark::DoNotOptimize(store->LatestAnswer(name));
    }
}
BENCHMARK(BM_HistoryAndAnswerOfOneName)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
