// zentrix-batch over a whole list against the fake WHOIS server on loopback:
// rows per second and the program's peak memory, with and without an added
// delay per answer. The program is the one built beside this benchmark
// (../cli/zentrix-batch), run as a child process as a user would run it.
//
//   bench_cli_batch                        1,000 and 10,000 rows at 0 ms, 1,000 at 50 ms
//   ZENTRIX_BENCH_LONG=1 bench_cli_batch   adds 10,000 rows at 50 ms (about 8 minutes)

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <spawn.h>
#include <stdexcept>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "engine/whoisservers.h"
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

// Runs the program once; returns its peak resident memory in KiB.
long RunOnce(const std::vector<std::string>& args, const std::string& home) {
    std::vector<char*> argv;
    for (const std::string& arg : args) {
        argv.push_back(const_cast<char*>(arg.c_str()));
    }
    argv.push_back(nullptr);
    std::string homeVar = "ZENTRIX_HOME=" + home;
    char* envp[] = {homeVar.data(), nullptr};
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
    return usage.ru_maxrss;
}

void BM_BatchProgram(benchmark::State& state) {
    const auto rows = static_cast<int>(state.range(0));
    const auto delayMs = static_cast<int>(state.range(1));

    char pattern[] = "/tmp/zentrix-bench-XXXXXX";
    const std::string dir = ::mkdtemp(pattern);
    {
        std::ofstream list(dir + "/names.txt", std::ios::binary);
        for (int i = 0; i < rows; ++i) {
            list << "bench-" << i << "-example.com\r\n";
        }
    }
    FakeWhoisServer server;
    server.SetDefaultScript(FakeWhoisScript::Answer(kAnswer, delayMs));
    const std::vector<std::string> args = {BatchProgram(),
                                           "-q",
                                           "--connect-to",
                                           server.ConnectToFor({ServerComNet}),
                                           "-o",
                                           dir + "/out.csv",
                                           dir + "/names.txt"};
    long peakKiB = 0;
    double seconds = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        peakKiB = std::max(peakKiB, RunOnce(args, dir));
        const double run =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        state.SetIterationTime(run);
        seconds += run;
    }
    state.counters["rows_per_s"] =
        static_cast<double>(rows) * static_cast<double>(state.iterations()) / seconds;
    state.counters["peak_rss_MiB"] = static_cast<double>(peakKiB) / 1024.0;
    std::filesystem::remove_all(dir);
}

} // namespace

int main(int argc, char** argv) {
    auto add = [](int rows, int delayMs) {
        benchmark::RegisterBenchmark("BM_BatchProgram", BM_BatchProgram)
            ->Args({rows, delayMs})
            ->ArgNames({"rows", "delay_ms"})
            ->Iterations(1)
            ->UseManualTime()
            ->Unit(benchmark::kSecond);
    };
    add(1000, 0);
    add(10000, 0);
    add(1000, 50);
    if (const char* longRun = std::getenv("ZENTRIX_BENCH_LONG"); longRun && *longRun == '1') {
        add(10000, 50);
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
