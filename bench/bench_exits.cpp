// SPDX-License-Identifier: MIT
// One registry that wants 100 ms between two queries from one source
// (--host-interval 100), asked through one exit and through two (two
// loopback SOCKS5 proxies). Each exit keeps its own gap, so two exits should
// reach at least 1.8 times one exit's rows/s.

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "engine/batch/querythread.h"
#include "engine/whois/whoisservers.h"
#include "rowcounter.h"
#include "tests/support/fakeproxy.h"
#include "tests/support/fakewhoisserver.h"
#include "tests/support/temphome.h"

namespace {

constexpr int kRows = 30;

void BM_ExitsAgainstOneRegistry(benchmark::State& state) {
    const TempHome home;
    {
        FakeWhoisServer server;
        server.SetDefaultScript(FakeWhoisScript::Answer("   Domain Name: BENCH.COM\r\n"
                                                        "   Registrar: BENCH REGISTRAR, INC.\r\n"));
        std::vector<std::unique_ptr<FakeProxy>> proxies;
        QueryOptions options;
        for (int n = 0; n < state.range(0); ++n) {
            proxies.push_back(std::make_unique<FakeProxy>(FakeProxy::Kind::Socks5));
            options.proxies.push_back(proxies.back()->Url());
        }
        options.client.connectTo = server.OverridesFor(FakeWhoisServer::AllEndpoints());
        options.jobs = 8;
        options.perHost = 1;
        options.hostIntervalMs = 100;
        options.protocol = ProtocolChoice::Whois;

        DomainTable table;
        table.Allocate();
        for (int i = 0; i < kRows; ++i) {
            SetField(table.Row(table.count++).domain, "bench" + std::to_string(i) + ".com");
        }
        AssignWhoisServers(table);

        RunBatchEachIteration(state, table, options, kRows);
        table.Release();
    }
}

} // namespace

BENCHMARK(BM_ExitsAgainstOneRegistry)
    ->ArgName("exits")
    ->Arg(1)
    ->Arg(2)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3);

BENCHMARK_MAIN();
