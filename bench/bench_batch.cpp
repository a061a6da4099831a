// SPDX-License-Identifier: MIT
// A batch of 1,000 rows asked one at a time (jobs 1, one per host) against
// the fake WHOIS server on loopback, with no added latency: connect, query,
// parse and the "lastindex" save of every row. Target: at least 2,000 rows/s.

#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "core/ccore.h"
#include "core/messages.h"
#include "core/messagetarget.h"
#include "engine/batch/querythread.h"
#include "engine/whois/whoisservers.h"
#include "rowcounter.h"
#include "tests/support/fakewhoisserver.h"
#include "tests/support/temphome.h"

namespace {

constexpr int kRows = 1000;

// "Domain Name: BENCH0.COM" ... a registry-shaped answer of about 1.5 KB.
std::string ComAnswer() {
    std::string text = "   Domain Name: BENCH.COM\r\n"
                       "   Registrar: BENCH REGISTRAR, INC.\r\n"
                       "   Sponsoring Registrar IANA ID: 9999\r\n"
                       "   Updated Date: 2024-05-06T07:08:09Z\r\n"
                       "   Creation Date: 1999-02-03T04:05:06Z\r\n"
                       "   Registry Expiry Date: 2031-02-03T04:05:06Z\r\n"
                       "   Name Server: NS1.BENCH.EXAMPLE\r\n"
                       "   Name Server: NS2.BENCH.EXAMPLE\r\n";
    while (text.size() < 1500) {
        text += "   >>> Terms of use: this text only pads the answer to a realistic size.\r\n";
    }
    return text;
}

void BM_SequentialBatch(benchmark::State& state) {
    const TempHome home;
    {
        CCore core;
        core.autoFileConfig();
        FakeWhoisServer server;
        server.SetDefaultScript(FakeWhoisScript::Answer(ComAnswer()));

        DomainTable table;
        table.Allocate();
        for (int i = 0; i < kRows; ++i) {
            SetField(table.Row(table.count++).domain, "bench" + std::to_string(i) + ".com");
        }
        AssignWhoisServers(table);

        QueryOptions options;
        // Argument 0 leaves the save out, to show what the save itself costs.
        options.core = state.range(0) != 0 ? &core : nullptr;
        options.client.connectTo = server.OverridesFor(FakeWhoisServer::AllEndpoints());
        options.jobs = 1;
        options.perHost = 1;
        options.protocol = ProtocolChoice::Whois; // port 43 is measured here

        RunBatchEachIteration(state, table, options, kRows);
        state.SetItemsProcessed(state.iterations() * kRows);
        table.Release();
    }
}

} // namespace

BENCHMARK(BM_SequentialBatch)
    ->ArgName("saveLastindex")
    ->Arg(1)
    ->Arg(0)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MinTime(2.0);

BENCHMARK_MAIN();
