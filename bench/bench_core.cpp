// SPDX-License-Identifier: MIT
// Costs of the core library on the batch worker's path: the "lastindex" save
// after every row (target: well under 100 us, so a batch can reach 2,000
// rows/s), and the conversions and date reading done per row or per export line.
#include "core/ccore.h"
#include "tests/support/temphome.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

void BM_SaveLastIndex(benchmark::State& state) {
    const TempHome home;
    CCore core;
    core.autoFileConfig();
    core.saveConfigInt("gqts", 30);
    core.saveConfigB("chkgq", true);
    int row = 0;
    for (auto _ : state)
        core.saveConfigInt("lastindex", ++row);
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_SaveLastIndex);

void BM_SaveUnchanged(benchmark::State& state) {
    const TempHome home;
    CCore core;
    core.autoFileConfig();
    for (auto _ : state)
        core.saveConfigInt("lastindex", 7);
}
BENCHMARK(BM_SaveUnchanged);

void BM_ParseDate1(benchmark::State& state) {
    const std::string_view samples[] = {" 2027-03-17 12:48:36^^Registrar: x",
                                        "Wed Mar 27 00:01:00 GMT 2002", " 31-03-2027 ",
                                        "23-mar-2010", "N/A"};
    size_t i = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(CCore::parseDate1(samples[i++ % std::size(samples)]));
}
BENCHMARK(BM_ParseDate1);

// Converts a copy of `answer` per iteration, as a query does with each answer.
void ConvertCopies(benchmark::State& state, const std::string& answer) {
    for (auto _ : state) {
        std::string copy = answer;
        CCore::UTF8_ANSI(copy);
        benchmark::DoNotOptimize(copy);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * answer.size()));
}

void BM_Utf8ToGbk(benchmark::State& state) {
    std::string answer;
    while (answer.size() < 3000)
        answer += "Registrant: \xE4\xB8\xAD\xE6\x96\x87\xE7\xBD\x91\xE7\xBB\x9C^";
    ConvertCopies(state, answer);
}
BENCHMARK(BM_Utf8ToGbk);

// A .cn answer: a 3 KB ASCII text with one Chinese registrant name.
void BM_Utf8ToGbkMostlyAscii(benchmark::State& state) {
    std::string answer =
        "Registrant: \xE5\x8C\x97\xE4\xBA\xAC\xE6\x9F\x90\xE5\x85\xAC\xE5\x8F\xB8^";
    while (answer.size() < 3000)
        answer += "Name Server: ns1.example-dns.cn^^Registrar URL: http://www.example.cn^";
    ConvertCopies(state, answer);
}
BENCHMARK(BM_Utf8ToGbkMostlyAscii);

} // namespace

BENCHMARK_MAIN();
