// SPDX-License-Identifier: MIT
// zentrix-batch: the whole batch of the desktop program without windows.

#include <cstdio>
#include <string>
#include <vector>

#include "cli/batchoptions.h"
#include "cli/batchprogram.h"
#include "core/apppath.h"
#include "core/version.h"

int main(int argc, char** argv) {
    const ParsedCommandLine parsed =
        ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    switch (parsed.action) {
    case ParsedCommandLine::Action::Help:
        std::fputs(UsageText().c_str(), stdout);
        return kExitDone;
    case ParsedCommandLine::Action::Version:
        std::printf("zentrix-batch %s\n", ZENTRIX_VERSION);
        return kExitDone;
    case ParsedCommandLine::Action::Fail:
        std::fprintf(stderr, "zentrix-batch: %s (see --help)\n", parsed.error.c_str());
        return kExitFailure;
    case ParsedCommandLine::Action::Run:
        break;
    }
    // Settings and caches have nowhere safe to go: stop before any query.
    if (const std::string problem = dataFolderProblem(); !problem.empty()) {
        std::fprintf(stderr, "zentrix-batch: %s\n", problem.c_str());
        return kExitFailure;
    }
    return RunBatchProgram(parsed.options);
}
