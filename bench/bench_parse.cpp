// SPDX-License-Identifier: MIT
// ParseAnswer per registry recipe on a 2-4 KB answer shaped like that
// registry's (the parser tests' fixture answers, padded with remark lines
// where a registry answers more briefly). Target: under 20 us per answer.

#include <benchmark/benchmark.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>

#include "benchmain.h"
#include "engine/domaintable.h"
#include "engine/whois/answerparser.h"
#include "engine/whois/whoisservers.h"

namespace {

const std::filesystem::path kData =
    std::filesystem::path(ZENTRIX_SOURCE_DIR) / "tests" / "unit" / "parser" / "data";

constexpr std::size_t kMinAnswer = 2048;

std::string LoadAnswer(const char* relative) {
    std::ifstream in(kData / relative, std::ios::binary);
    if (!in) {
        throw std::runtime_error("missing fixture " + (kData / relative).string());
    }
    std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    while (text.size() < kMinAnswer) {
        text += "% This remark line stands for the registry's terms of use text.\r\n";
    }
    for (char& c : text) {
        if (c == '\r' || c == '\n') {
            c = '^';
        }
    }
    return text;
}

void ParseOne(benchmark::State& state, const char* server, const std::string& answer) {
    DomainRecord row;
    std::memset(&row, 0, sizeof row);
    SetField(row.whoisServer, server);
    for (auto _ : state) {
        ParseAnswer(row, server, answer); // the copy of the answer is part of each call
        benchmark::DoNotOptimize(row);
    }
    state.SetLabel(std::to_string(answer.size()) + " B");
}

struct Sample {
    const char* name;
    const char* server;
    const char* file;
};

const Sample kSamples[] = {
    {"ComNet", ServerComNet, "comnet/thin-today.txt"},
    {"Cc", ServerCc, "cc/registered.txt"},
    {"Info", ServerInfo, "info/afilias-2009.txt"},
    {"Tv", ServerTv, "tv/thin-2009.txt"},
    {"Jp", ServerJp, "jp/registered-iso2022jp.txt"},
    {"Hk", ServerHk, "hk/hkdnr-2010.txt"},
    {"Edu", ServerEdu, "edu/2009.txt"},
    {"Biz", ServerBiz, "biz/neustar-2009.txt"},
    {"Org", ServerOrg, "org/afilias-2009.txt"},
    {"Cn", ServerCn, "cn/today.txt"},
    // Today's layouts.
    {"InfoToday", ServerInfo, "info/today.txt"},
    {"TvToday", ServerTv, "tv/today.txt"},
    {"BizToday", ServerBiz, "biz/today.txt"},
    {"OrgToday", ServerOrg, "org/today.txt"},
    {"ComRegistrarToday", ServerComNet, "comnet/registrar-today.txt"},
    {"HkToday", ServerHk, "hk/today.txt"},
    {"EduToday", ServerEdu, "edu/today.txt"},
    {"JpUtf8", ServerJp, "jp/registered-utf8.txt"},
    // Any other server, by the common labels.
    {"OtherBlocks", "whois.nic.uk", "generic/blocks-uk.txt"},
};

} // namespace

int main(int argc, char** argv) {
    for (const Sample& sample : kSamples) {
        const std::string answer = LoadAnswer(sample.file);
        benchmark::RegisterBenchmark((std::string("ParseAnswer/") + sample.name).c_str(),
                                     [server = sample.server, answer](benchmark::State& state) {
                                         ParseOne(state, server, answer);
                                     });
    }
    return RunRegisteredBenchmarks(argc, argv);
}
