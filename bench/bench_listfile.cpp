// SPDX-License-Identifier: MIT
// Reading hostile list files: memory must stay flat (target: under 50 MB in
// all, the 16 MB row block included) whatever a line's length, and a device
// without an end must not keep the reader going for ever.
//
// Each load runs in a child process so its peak resident size is its own;
// the counters are that peak (peak_mb) and how far the load raised it
// (grown_mb). Run with a Release build:
//   bench_listfile --benchmark_filter=HugeLine

#include "engine/domaintable.h"
#include "formats/listfile.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <fcntl.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

struct Measured {
    long peakKb = 0;
    long grownKb = 0;
    int stored = 0;
    int tooLong = 0;
    int error = 0;
};

// Loads `path` in a child process and reports its memory.
Measured LoadInChild(const std::string& path) {
    int fds[2];
    if (::pipe(fds) != 0) {
        return {};
    }
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(fds[0]);
        Measured m;
        DomainTable table;
        if (table.Allocate()) {
            rusage before{};
            ::getrusage(RUSAGE_SELF, &before);
            const LoadResult result = LoadListFile(table, path);
            rusage after{};
            ::getrusage(RUSAGE_SELF, &after);
            m = {after.ru_maxrss, after.ru_maxrss - before.ru_maxrss, result.stored,
                 result.linesTooLong, result.error};
        }
        (void)!::write(fds[1], &m, sizeof m);
        std::_Exit(0);
    }
    ::close(fds[1]);
    Measured m;
    (void)!::read(fds[0], &m, sizeof m);
    ::close(fds[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    return m;
}

// A sparse file of `bytes` NUL bytes and no line end: one line.
std::string SparseSingleLine(long long bytes) {
    std::string path = "/tmp/zentrix-bench-line-XXXXXX";
    const int fd = ::mkstemp(path.data());
    if (fd >= 0) {
        (void)!::ftruncate(fd, static_cast<off_t>(bytes));
        ::close(fd);
    }
    return path;
}

void Report(benchmark::State& state, const Measured& m) {
    state.counters["peak_mb"] = static_cast<double>(m.peakKb) / 1024.0;
    state.counters["grown_mb"] = static_cast<double>(m.grownKb) / 1024.0;
    state.counters["too_long_lines"] = m.tooLong;
    state.counters["errno"] = m.error;
}

void BM_LoadHugeSingleLine(benchmark::State& state) {
    const long long bytes = state.range(0) << 20;
    const std::string path = SparseSingleLine(bytes);
    Measured m;
    for (auto _ : state) {
        m = LoadInChild(path);
    }
    ::unlink(path.c_str());
    Report(state, m);
}
BENCHMARK(BM_LoadHugeSingleLine)->Arg(64)->Arg(1024)->Unit(benchmark::kSecond)->Iterations(1);

// /dev/zero never ends: the reader stops at its size limit with EFBIG.
void BM_LoadDevZero(benchmark::State& state) {
    Measured m;
    for (auto _ : state) {
        m = LoadInChild("/dev/zero");
    }
    Report(state, m);
}
BENCHMARK(BM_LoadDevZero)->Unit(benchmark::kSecond)->Iterations(1);

} // namespace

BENCHMARK_MAIN();
