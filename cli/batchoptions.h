// SPDX-License-Identifier: MIT
#pragma once

// The command line of zentrix-batch.

#include <string>
#include <vector>

#include "cli/shard.h"
#include "engine/batch/queryoptions.h"
#include "engine/whois/whoisclient.h"

enum class OutputFormat {
    Csv,        // the desktop program's export, GBK
    Jsonl,      // one UTF-8 JSON object per row
    Table,      // columns for a person at a terminal, UTF-8 (see resulttable.h)
    Prometheus, // the node exporter's textfile format, written whole at the end
};

struct BatchOptions {
    std::string listFile;
    std::string outputFile; // empty: standard output
    OutputFormat format = OutputFormat::Csv;
    bool formatGiven = false; // --format was on the command line
    bool resume = false;
    std::vector<ConnectOverride> connectTo; // from --connect-to, in order
    int timeoutMs = 0;                      // 0: the client's own whole-query limit
    int extraTimeoutMs = 0;                 // a registrar's question; 0: the engine's default
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

    // The exits (--proxy, then --source-address, in order) and --proxy-from-env.
    std::vector<std::string> proxies;
    std::vector<std::string> sourceAddresses;
    bool proxyFromEnvironment = false;
    Shard shard; // --shard K/N; 1/1: every name
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

// What the rows are written as: the format asked for; without --format and
// -o, a table when standard output is a terminal (`stdoutIsTerminal`, the
// caller's isatty) and the CSV when it is a pipe or a file.
[[nodiscard]] OutputFormat OutputFormatFor(const BatchOptions& options, bool stdoutIsTerminal);
