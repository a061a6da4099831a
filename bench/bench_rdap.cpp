// SPDX-License-Identifier: MIT
// RDAP over HTTPS on loopback: a batch of 1,000 rows asked one at a time
// (jobs 1, one per host) through the whole worker (bootstrap, lanes, client,
// JSON reading, row storing) against the fake RDAP server with a throwaway
// CA, and the client's bare GET for the cost of one question. One
// connection is kept per host and reused. Target: at least 500 rows/s.

#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "core/ccore.h"
#include "core/messages.h"
#include "core/messagetarget.h"
#include "engine/batch/querythread.h"
#include "engine/rdap/rdapclient.h"
#include "engine/whois/whoisservers.h"
#include "rowcounter.h"
#include "tests/support/fakerdapserver.h"

namespace {

constexpr int kRows = 1000;
constexpr const char* kHost = "rdap.bench.test";

std::string Name(int i) {
    return "bench" + std::to_string(i) + ".com";
}

// A registry's answer of about 2.5 KB: registrar, events, notices.
std::string DomainJson(const std::string& name) {
    std::string json = R"({"objectClassName":"domain","ldhName":")" + name +
                       R"(","status":["client transfer prohibited"],"entities":[)"
                       R"({"objectClassName":"entity","roles":["registrar"],"vcardArray":)"
                       R"(["vcard",[["version",{},"text","4.0"],["fn",{},"text","Bench )"
                       R"(Registrar, Inc."]]]}],"events":[)"
                       R"({"eventAction":"registration","eventDate":"1999-02-03T04:05:06Z"},)"
                       R"({"eventAction":"expiration","eventDate":"2031-02-03T04:05:06Z"},)"
                       R"({"eventAction":"last changed","eventDate":"2024-05-06T07:08:09Z"}],)"
                       R"("notices":[)";
    for (int i = 0; json.size() < 2400; ++i) {
        json += (i == 0 ? "" : ",");
        json += R"({"title":"Terms of Use","description":["This text only pads the answer )"
                R"(to the size of a registry's answer."]})";
    }
    json += "]}";
    return json;
}

void BM_RdapSequentialBatch(benchmark::State& state) {
    const std::filesystem::path home = std::filesystem::temp_directory_path() /
                                       ("zentrix-bench-rdap-" + std::to_string(::getpid()));
    std::filesystem::create_directories(home);
    ::setenv("ZENTRIX_HOME", home.c_str(), 1);
    {
        FakeRdapServer server({kHost});
        for (int i = 0; i < kRows; ++i) {
            server.SetReply("/v1/domain/" + Name(i), FakeRdapReply::Json(200, DomainJson(Name(i))));
        }
        const std::string bootstrap = (home / "dns.json").string();
        std::ofstream(bootstrap) << R"({"version":"1.0","services":[[["com"],["https://)" << kHost
                                 << R"(/v1/"]]]})";

        CCore core;
        core.autoFileConfig();
        DomainTable table;
        table.Allocate();
        for (int i = 0; i < kRows; ++i) {
            SetField(table.Row(table.count++).domain, Name(i));
        }
        AssignWhoisServers(table);

        QueryOptions options;
        options.core = &core;
        options.protocol = ProtocolChoice::Rdap;
        options.rdapBootstrapFile = bootstrap;
        options.caFile = server.caFile();
        options.client.connectTo = server.OverridesFor({kHost});
        options.jobs = 1;
        options.perHost = 1;

        for (auto _ : state) {
            if (RunBatchToEnd(table, options, true) != kRows ||
                table.Row(kRows - 1).status != Found) {
                state.SkipWithError("not every row was found");
                break;
            }
        }
        state.SetItemsProcessed(state.iterations() * kRows);
        state.counters["rows_per_s"] = benchmark::Counter(
            static_cast<double>(kRows), benchmark::Counter::kIsIterationInvariantRate);
        state.counters["us_per_row"] = benchmark::Counter(
            static_cast<double>(kRows),
            benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
        // Per batch: one, kept for every row.
        state.counters["connections"] = benchmark::Counter(
            static_cast<double>(server.ConnectionCount()), benchmark::Counter::kAvgIterations);
        table.Release();
    }
    ::unsetenv("ZENTRIX_HOME");
    std::filesystem::remove_all(home);
}
BENCHMARK(BM_RdapSequentialBatch)->Unit(benchmark::kMillisecond)->UseRealTime();

// One GET on a kept connection: TLS is paid once, then each question is a
// request and an answer on the same connection.
void BM_RdapClientGet(benchmark::State& state) {
    FakeRdapServer server({kHost});
    const std::string name = Name(1);
    server.SetDefaultReply(FakeRdapReply::Json(200, DomainJson(name)));
    RdapClientOptions options;
    options.caFile = server.caFile();
    options.connectTo = server.OverridesFor({kHost});
    RdapClient client(options);
    RdapRequest request;
    request.url = std::string("https://") + kHost + "/v1/domain/" + name;
    for (auto _ : state) {
        const RdapHttpResult result = client.Get(request);
        if (result.status != 200) {
            state.SkipWithError("the question failed");
            break;
        }
        benchmark::DoNotOptimize(result.body.data());
    }
    state.counters["connections"] = static_cast<double>(server.ConnectionCount());
}
BENCHMARK(BM_RdapClientGet)->Unit(benchmark::kMicrosecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
