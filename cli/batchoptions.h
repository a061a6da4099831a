// SPDX-License-Identifier: MIT
#pragma once

// The command line of zentrix-batch.

#include <string>
#include <vector>

#include "engine/querythread.h"
#include "engine/whoisclient.h"

enum class OutputFormat { Csv, Jsonl, Prometheus };

struct BatchOptions {
    std::string listFile;
    std::string outputFile; // empty: standard output
    OutputFormat format = OutputFormat::Csv;
    bool resume = false;
    std::vector<ConnectOverride> connectTo; // from --connect-to, in order
    int timeoutMs = 0;                      // 0: the client's own whole-query limit
    int jobs = 16;                          // queries open at once, in all
    int perHost = 1;                        // queries open at once to one server
    int hostIntervalMs = 0;                 // least time between two queries to one server
    bool quiet = false;
    bool raw = false; // jsonl: each row's answer as the key "raw"
    ProtocolChoice protocol = ProtocolChoice::Auto;
    std::string rdapBootstrapFile; // --rdap-bootstrap; empty: the cached or built-in one
    std::string caFile;            // --cacert; empty: $ZENTRIX_CACERT
    std::string storeFile;         // --store; empty: results.sqlite3 in the data folder
    bool noStore = false;          // --no-store: the results store is left alone
    bool prune = false;            // --prune: apply the history's retention rule first
    int alertWithinDays = -1;      // --alert-within; -1: no alerts
};

struct ParsedCommandLine {
    enum class Action { Run, Help, Version, Fail };
    Action action = Action::Fail;
    BatchOptions options;
    std::string error; // for Fail: one line, without the program's name
};

// `args` are the arguments after the program's name. Long options take their
// value as "--name VALUE" or "--name=VALUE", -o as "-o FILE" or "-oFILE";
// "--" ends the options.
[[nodiscard]] ParsedCommandLine ParseCommandLine(const std::vector<std::string>& args);

[[nodiscard]] std::string UsageText();
