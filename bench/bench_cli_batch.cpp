// SPDX-License-Identifier: MIT
// zentrix-batch over a whole list against fake WHOIS servers on loopback:
// rows per second and the program's peak memory. The program is the one
// built beside this benchmark (../cli/zentrix-batch), run as a child process
// as a user would run it.
//
//   BM_TenRegistries   200 names spread over ten servers answering after
//                      50 ms, in parallel (the defaults) and one at a time
//                      (--jobs 1 --per-host 1); target: 9 times as fast
//                      (the limit is 10 with one connection per server)
//   BM_BatchProgram    one server answering at once: 20,000 rows one at a
//                      time (target: 2,000 rows/s, peak memory under 100 MB)
//                      and with the defaults; 200 rows at 50 ms
//   BM_LongList        ten servers answering at once, the defaults: 20,000
//                      and 1,000,000 names (targets: the million's rows/s
//                      within 10% of the 20,000's, peak memory under 200 MB,
//                      every row written once, in order)

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <spawn.h>
#include <stdexcept>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "benchmain.h"
#include "engine/whois/whoisservers.h"
#include "tests/support/fakewhoisserver.h"

namespace {

std::string BatchProgram() {
    return (std::filesystem::read_symlink("/proc/self/exe").parent_path().parent_path() / "cli" /
            "zentrix-batch")
        .string();
}

const std::string kAnswer = "   Domain Name: BENCH-EXAMPLE.COM\r\n"
                            "   Registrar: Example Names, Inc.\r\n"
                            "   Updated Date: 2024-05-06T07:08:09Z\r\n"
                            "   Creation Date: 2001-02-03T04:05:06Z\r\n"
                            "   Registry Expiry Date: 2031-02-03T04:05:06Z\r\n"
                            "   Name Server: NS1.EXAMPLE.NET\r\n"
                            "   DNSSEC: unsigned\r\n"
                            ">>> Last update of whois database: 2025-01-01T00:00:00Z <<<\r\n";

// The suffix of each of the ten endpoints, in FakeWhoisServer::AllEndpoints() order.
const char* const kSuffixes[] = {".com", ".cn", ".org", ".biz",  ".edu",
                                 ".hk",  ".jp", ".tv",  ".info", ".cc"};

struct Run {
    double seconds = 0;
    double cpuSeconds = 0; // the program's own, user and system
    long peakKiB = 0;
};

double Seconds(const timeval& time) {
    return static_cast<double>(time.tv_sec) + static_cast<double>(time.tv_usec) / 1e6;
}

// Runs the program once and waits for it.
Run RunOnce(const std::vector<std::string>& args, const std::string& home) {
    std::vector<char*> argv;
    for (const std::string& arg : args) {
        argv.push_back(const_cast<char*>(arg.c_str()));
    }
    argv.push_back(nullptr);
    std::string homeVar = "ZENTRIX_HOME=" + home;
    char* envp[] = {homeVar.data(), nullptr};
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    if (::posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), envp) != 0) {
        throw std::runtime_error("cannot start " + args.front());
    }
    int status = 0;
    rusage usage{};
    ::wait4(pid, &status, 0, &usage);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        throw std::runtime_error("zentrix-batch failed");
    }
    return {std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(),
            Seconds(usage.ru_utime) + Seconds(usage.ru_stime), usage.ru_maxrss};
}

// What the runs of one benchmark add up to: times summed, the highest peak.
// Each run's wall time is its iteration's.
struct Totals {
    Run sum;

    void Add(benchmark::State& state, const Run& run) {
        sum.seconds += run.seconds;
        sum.cpuSeconds += run.cpuSeconds;
        sum.peakKiB = std::max(sum.peakKiB, run.peakKiB);
        state.SetIterationTime(run.seconds);
    }
    // Rows per second over all runs, and the peak memory.
    void Report(benchmark::State& state, int rows) const {
        state.counters["rows_per_s"] =
            static_cast<double>(rows) * static_cast<double>(state.iterations()) / sum.seconds;
        state.counters["peak_rss_MiB"] = static_cast<double>(sum.peakKiB) / 1024.0;
    }
};

class Scratch {
public:
    Scratch() {
        char pattern[] = "/tmp/zentrix-bench-XXXXXX";
        if (::mkdtemp(pattern) == nullptr) {
            throw std::runtime_error("no temporary folder");
        }
        m_dir = pattern;
    }
    ~Scratch() { std::filesystem::remove_all(m_dir); }
    [[nodiscard]] const std::string& dir() const { return m_dir; }
    [[nodiscard]] std::string File(const std::string& name) const { return m_dir + "/" + name; }

private:
    std::string m_dir;
};

void WriteList(const std::string& path, int rows, int suffixes) {
    std::ofstream list(path, std::ios::binary);
    for (int i = 0; i < rows; ++i) {
        list << "bench-" << i << "-example" << kSuffixes[i % suffixes] << "\r\n";
    }
}

// One fake server per registry endpoint, each answering every name with
// kAnswer after `delayMs`; `connectTo` sends each endpoint to its own.
std::vector<std::unique_ptr<FakeWhoisServer>> StartRegistries(int delayMs, std::string& connectTo) {
    std::vector<std::unique_ptr<FakeWhoisServer>> servers;
    for (const std::string& host : FakeWhoisServer::AllEndpoints()) {
        servers.push_back(std::make_unique<FakeWhoisServer>());
        servers.back()->SetDefaultScript(FakeWhoisScript::Answer(kAnswer, delayMs));
        if (!connectTo.empty()) {
            connectTo += ',';
        }
        connectTo += servers.back()->ConnectToFor({host});
    }
    return servers;
}

void BM_TenRegistries(benchmark::State& state) {
    constexpr int kRows = 200;
    constexpr int kDelayMs = 50;
    Scratch scratch;
    WriteList(scratch.File("names.txt"), kRows, 10);
    std::string connectTo;
    const auto servers = StartRegistries(kDelayMs, connectTo);
    const std::vector<std::string> common = {
        BatchProgram(),           "-q", "--connect-to", connectTo, "-o", scratch.File("out.csv"),
        scratch.File("names.txt")};
    std::vector<std::string> oneAtATime = common;
    oneAtATime.insert(oneAtATime.begin() + 1, {"--jobs", "1", "--per-host", "1"});

    double parallel = 0;
    double sequential = 0;
    for (auto _ : state) {
        const Run fast = RunOnce(common, scratch.dir());
        const Run slow = RunOnce(oneAtATime, scratch.dir());
        parallel += fast.seconds;
        sequential += slow.seconds;
        state.SetIterationTime(fast.seconds);
    }
    const auto runs = static_cast<double>(state.iterations());
    state.counters["parallel_rows_per_s"] = kRows * runs / parallel;
    state.counters["one_at_a_time_rows_per_s"] = kRows * runs / sequential;
    state.counters["speedup"] = sequential / parallel;
}

void BM_BatchProgram(benchmark::State& state) {
    const auto rows = static_cast<int>(state.range(0));
    const auto delayMs = static_cast<int>(state.range(1));
    const bool oneAtATime = state.range(2) != 0;

    Scratch scratch;
    WriteList(scratch.File("names.txt"), rows, 1);
    FakeWhoisServer server;
    server.SetDefaultScript(FakeWhoisScript::Answer(kAnswer, delayMs));
    std::vector<std::string> args = {BatchProgram(),
                                     "-q",
                                     "--protocol=whois",
                                     "--connect-to",
                                     server.ConnectToFor({ServerComNet}),
                                     "-o",
                                     scratch.File("out.csv"),
                                     scratch.File("names.txt")};
    if (oneAtATime) {
        args.insert(args.begin() + 1, {"--jobs", "1", "--per-host", "1"});
    }
    Totals totals;
    for (auto _ : state) {
        totals.Add(state, RunOnce(args, scratch.dir()));
    }
    state.counters["program_cpu_s"] =
        totals.sum.cpuSeconds / static_cast<double>(state.iterations());
    totals.Report(state, rows);
}

// Every row of the list once, in its order: the CSV's second column names
// bench-0, bench-1, ... as WriteList wrote them. False at the first fault.
bool RowsInOrder(const std::string& csv, int rows, int suffixes) {
    std::ifstream in(csv, std::ios::binary);
    std::string line;
    int row = 0;
    for (; std::getline(in, line); ++row) {
        const std::string name =
            "\"bench-" + std::to_string(row) + "-example" + kSuffixes[row % suffixes] + "\"";
        if (row >= rows || line.find("," + name + ",") == std::string::npos) {
            return false;
        }
    }
    return row == rows;
}

// A list far longer than the program's window of rows, over ten servers
// answering at once, with the defaults: rows per second (against a
// 20,000-name list's: within 10%) and the peak memory (under 200 MB for
// 1,000,000 names), the results store included.
void BM_LongList(benchmark::State& state) {
    const auto rows = static_cast<int>(state.range(0));
    Scratch scratch;
    WriteList(scratch.File("names.txt"), rows, 10);
    std::string connectTo;
    const auto servers = StartRegistries(0, connectTo);
    const std::vector<std::string> args = {
        BatchProgram(), "-q", "--protocol=whois",      "--connect-to",
        connectTo,      "-o", scratch.File("out.csv"), scratch.File("names.txt")};
    Totals totals;
    for (auto _ : state) {
        totals.Add(state, RunOnce(args, scratch.dir()));
        if (!RowsInOrder(scratch.File("out.csv"), rows, 10)) {
            state.SkipWithError("the output does not hold every row once, in order");
            return;
        }
    }
    totals.Report(state, rows);
}

} // namespace

int main(int argc, char** argv) {
    benchmark::RegisterBenchmark("BM_TenRegistries", BM_TenRegistries)
        ->Iterations(1)
        ->UseManualTime()
        ->Unit(benchmark::kSecond);
    auto add = [](int rows, int delayMs, bool oneAtATime) {
        benchmark::RegisterBenchmark("BM_BatchProgram", BM_BatchProgram)
            ->Args({rows, delayMs, oneAtATime ? 1 : 0})
            ->ArgNames({"rows", "delay_ms", "one_at_a_time"})
            ->Iterations(1)
            ->UseManualTime()
            ->Unit(benchmark::kSecond);
    };
    add(20000, 0, true);
    add(20000, 0, false);
    add(200, 50, false);
    for (const int rows : {20000, 1000000}) {
        benchmark::RegisterBenchmark("BM_LongList", BM_LongList)
            ->Arg(rows)
            ->ArgName("rows")
            ->Iterations(1)
            ->UseManualTime()
            ->Unit(benchmark::kSecond);
    }
    return RunRegisteredBenchmarks(argc, argv);
}
