// SPDX-License-Identifier: MIT
#pragma once

// The body of a benchmark program's main() once its benchmarks are
// registered: reads Google Benchmark's options from the command line,
// refuses any it does not know, runs what was asked for.

#include <benchmark/benchmark.h>

// Returns main()'s status. `argc` is a reference: the options read are
// taken out of argv, and a QApplication holding argc sees that too.
inline int RunRegisteredBenchmarks(int& argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
