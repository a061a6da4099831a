// SPDX-License-Identifier: MIT
// A thin registry over RDAP: the registry answers each .com name in 50 ms
// and links it to one of ten registrars' RDAP services, each answering in
// 300 ms. 200 names with the default options (16 jobs, one query at a time
// per host): the registry's own lane allows 20 rows/s, and the batch should
// reach at least 0.85 of that (the registrar questions run beside it).

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "engine/batch/querythread.h"
#include "engine/domaintable.h"
#include "engine/whois/whoisservers.h"
#include "rowcounter.h"
#include "tests/support/fakerdapserver.h"

namespace {

constexpr int kRows = 200;
constexpr int kRegistrars = 10;
constexpr int kRegistryMs = 50;
constexpr int kRegistrarMs = 300;
constexpr const char* kRegistry = "rdap.registry.bench.test";

std::string Name(int i) {
    return "thin" + std::to_string(i) + ".com";
}

std::string Registrar(int k) {
    return "rdap.registrar" + std::to_string(k) + ".bench.test";
}

std::string Json(const std::string& name, const std::string& link) {
    std::string json = R"({"objectClassName":"domain","ldhName":")" + name +
                       R"(","entities":[{"objectClassName":"entity","roles":["registrar"],)"
                       R"("vcardArray":["vcard",[["version",{},"text","4.0"],["fn",{},"text",)"
                       R"("Bench Registrar"]]]}],"events":[)"
                       R"({"eventAction":"registration","eventDate":"1999-02-03T04:05:06Z"},)"
                       R"({"eventAction":"expiration","eventDate":"2031-02-03T04:05:06Z"}])";
    if (!link.empty()) {
        json += R"(,"links":[{"rel":"related","type":"application/rdap+json","href":")" + link +
                R"("}])";
    }
    return json + "}";
}

void BM_ThinRegistryOverRdap(benchmark::State& state) {
    const std::filesystem::path home = std::filesystem::temp_directory_path() /
                                       ("zentrix-bench-thin-" + std::to_string(::getpid()));
    std::filesystem::create_directories(home);
    ::setenv("ZENTRIX_HOME", home.c_str(), 1);
    {
        std::vector<std::string> hosts{kRegistry};
        for (int k = 0; k < kRegistrars; ++k) {
            hosts.push_back(Registrar(k));
        }
        FakeRdapServer server(hosts);
        for (int i = 0; i < kRows; ++i) {
            const int k = (i * 7 + i / 10) % kRegistrars; // spread, not in turn
            const std::string path = "/r" + std::to_string(k) + "/domain/" + Name(i);
            FakeRdapReply registry =
                FakeRdapReply::Json(200, Json(Name(i), "https://" + Registrar(k) + path));
            registry.delayMs = kRegistryMs;
            server.SetReply("/v1/domain/" + Name(i), std::move(registry));
            FakeRdapReply registrar = FakeRdapReply::Json(200, Json(Name(i), ""));
            registrar.delayMs = kRegistrarMs;
            server.SetReply(path, std::move(registrar));
        }
        const std::string bootstrap = (home / "dns.json").string();
        std::ofstream(bootstrap) << R"({"version":"1.0","services":[[["com"],["https://)"
                                 << kRegistry << R"(/v1/"]]]})";

        DomainTable table;
        table.Allocate();
        for (int i = 0; i < kRows; ++i) {
            SetField(table.Row(table.count++).domain, Name(i));
        }
        AssignWhoisServers(table);

        QueryOptions options; // default jobs and per-host
        options.protocol = ProtocolChoice::Rdap;
        options.rdapBootstrapFile = bootstrap;
        options.caFile = server.caFile();
        options.client.connectTo = server.OverridesFor(hosts);

        for (auto _ : state) {
            if (RunBatchToEnd(table, options, true) != kRows ||
                table.Row(kRows - 1).status != Found) {
                state.SkipWithError("not every row was found");
                break;
            }
        }
        state.counters["rows_per_s"] = benchmark::Counter(
            static_cast<double>(kRows), benchmark::Counter::kIsIterationInvariantRate);
        // Against the registry lane's 1000 / 50 = 20 rows/s.
        state.counters["of_registry_lane"] =
            benchmark::Counter(static_cast<double>(kRows) * kRegistryMs / 1000.0,
                               benchmark::Counter::kIsIterationInvariantRate);
        table.Release();
    }
    ::unsetenv("ZENTRIX_HOME");
    std::filesystem::remove_all(home);
}
BENCHMARK(BM_ThinRegistryOverRdap)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);

} // namespace

BENCHMARK_MAIN();
