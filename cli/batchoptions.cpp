// SPDX-License-Identifier: MIT
#include "cli/batchoptions.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <initializer_list>
#include <optional>
#include <string_view>
#include <utility>

#include "core/text.h"
#include "engine/batch/queryexits.h"
#include "engine/batch/queryoptions.h"
#include "engine/net/hostlookup.h"

namespace {

constexpr double kMaxTimeoutSeconds = 24 * 60 * 60;
// A century: further ahead than any registration runs.
constexpr int kMaxAlertDays = 36'500;

std::optional<int> ParseTimeoutMs(const std::string& text) {
    if (text.empty() || text.find_first_not_of("0123456789.") != std::string::npos) {
        return std::nullopt;
    }
    char* end = nullptr;
    const double seconds = std::strtod(text.c_str(), &end);
    if (*end != '\0' || !std::isfinite(seconds) || seconds <= 0 || seconds > kMaxTimeoutSeconds) {
        return std::nullopt;
    }
    return std::max(1, static_cast<int>(std::lround(seconds * 1000)));
}

// The choice a word names, or nothing when it names none.
template <typename T>
std::optional<T> ChoiceNamed(std::string_view word,
                             std::initializer_list<std::pair<std::string_view, T>> choices) {
    for (const auto& [name, choice] : choices) {
        if (word == name) {
            return choice;
        }
    }
    return std::nullopt;
}

// A whole number of plain digits within [low, high].
std::optional<int> ParseCount(const std::string& text, int low, int high) {
    int value = 0;
    if (text.empty() || text.size() > 9 ||
        text.find_first_not_of("0123456789") != std::string::npos || !ParseInt(text, value) ||
        value < low || value > high) {
        return std::nullopt;
    }
    return value;
}

struct CountOption {
    const char* name;
    int low;
    int high;
    const char* unit; // how the value is described in the error
    int BatchOptions::*field;
};

const CountOption kCountOptions[] = {
    {"--jobs", 1, kMaxJobs, "a whole number", &BatchOptions::jobs},
    {"--per-host", 1, kMaxPerHost, "a whole number", &BatchOptions::perHost},
    {"--host-interval", 0, kMaxHostIntervalMs, "milliseconds", &BatchOptions::hostIntervalMs},
    {"--alert-within", 0, kMaxAlertDays, "days", &BatchOptions::alertWithinDays},
};

// The options that only switch something on.
const std::pair<std::string_view, bool BatchOptions::*> kFlagOptions[] = {
    {"--quiet", &BatchOptions::quiet}, {"--resume", &BatchOptions::resume},
    {"--raw", &BatchOptions::raw},     {"--no-store", &BatchOptions::noStore},
    {"--prune", &BatchOptions::prune}, {"--proxy-from-env", &BatchOptions::proxyFromEnvironment},
};

bool BatchOptions::*FindFlag(std::string_view name) {
    for (const auto& [flag, field] : kFlagOptions) {
        if (name == flag) {
            return field;
        }
    }
    return nullptr;
}

class Parser {
public:
    explicit Parser(const std::vector<std::string>& args) : m_args(args) {}

    ParsedCommandLine Run() {
        bool help = false;
        bool version = false;
        std::vector<std::string> operands;
        bool optionsEnded = false;
        while (m_next < m_args.size()) {
            const std::string arg = m_args[m_next++];
            if (optionsEnded || arg == "-" || arg.empty() || arg[0] != '-') {
                operands.push_back(arg);
            } else if (arg == "--") {
                optionsEnded = true;
            } else if (arg.rfind("--", 0) == 0) {
                if (!Long(arg, help, version)) {
                    return Fail();
                }
            } else if (!Shorts(arg, help)) {
                return Fail();
            }
        }
        if (help) {
            m_result.action = ParsedCommandLine::Action::Help;
            return m_result;
        }
        if (version) {
            m_result.action = ParsedCommandLine::Action::Version;
            return m_result;
        }
        if (const std::string clash = Clash(); !clash.empty()) {
            m_error = clash;
            return Fail();
        }
        // The history can be pruned without a batch.
        if (m_result.options.prune && operands.empty()) {
            m_result.action = ParsedCommandLine::Action::Run;
            return m_result;
        }
        if (operands.size() != 1) {
            m_error = operands.empty() ? "no LIST_FILE given"
                                       : "expected one LIST_FILE, got " +
                                             std::to_string(operands.size()) + " names";
            return Fail();
        }
        m_result.options.listFile = operands.front();
        m_result.action = ParsedCommandLine::Action::Run;
        return m_result;
    }

private:
    ParsedCommandLine Fail() {
        m_result.action = ParsedCommandLine::Action::Fail;
        m_result.error = m_error;
        return m_result;
    }

    // Options that contradict each other; "" when none do.
    [[nodiscard]] std::string Clash() const {
        const BatchOptions& options = m_result.options;
        if (!options.noStore) {
            return {};
        }
        if (!options.storeFile.empty()) {
            return "--store and --no-store contradict each other";
        }
        if (options.resume) {
            return "--resume needs the results store, which --no-store leaves alone";
        }
        if (options.prune) {
            return "--prune works on the results store, which --no-store leaves alone";
        }
        return {};
    }

    // The value of an option: the text after "=" or the next argument.
    std::optional<std::string> Value(const std::string& name,
                                     const std::optional<std::string>& inline_) {
        if (inline_) {
            return inline_;
        }
        if (m_next >= m_args.size()) {
            m_error = "option " + name + " needs a value";
            return std::nullopt;
        }
        return m_args[m_next++];
    }

    bool Long(const std::string& arg, bool& help, bool& version) {
        const auto equals = arg.find('=');
        const std::string name = arg.substr(0, equals);
        std::optional<std::string> inline_;
        if (equals != std::string::npos) {
            inline_ = arg.substr(equals + 1);
        }
        BatchOptions& options = m_result.options;
        const bool takesValue =
            name == "--output" || name == "--format" || name == "--connect-to" ||
            name == "--timeout" || name == "--extra-timeout" || name == "--protocol" ||
            name == "--rdap-bootstrap" || name == "--cacert" || name == "--store" ||
            name == "--proxy" || name == "--source-address" || name == "--shard" ||
            FindCount(name) != nullptr;
        if (!takesValue && inline_) {
            m_error = "option " + name + " takes no value";
            return false;
        }
        if (name == "--help") {
            help = true;
        } else if (name == "--version") {
            version = true;
        } else if (bool BatchOptions::*flag = FindFlag(name)) {
            options.*flag = true;
        } else if (!takesValue) {
            m_error = "unknown option " + name;
            return false;
        } else {
            const auto value = Value(name, inline_);
            return value && Apply(name, *value);
        }
        return true;
    }

    bool Shorts(const std::string& arg, bool& help) {
        for (std::size_t i = 1; i < arg.size(); ++i) {
            switch (arg[i]) {
            case 'h':
                help = true;
                break;
            case 'q':
                m_result.options.quiet = true;
                break;
            case 'o': {
                std::optional<std::string> inline_;
                if (i + 1 < arg.size()) {
                    inline_ = arg.substr(i + 1);
                }
                const auto value = Value("-o", inline_);
                return value && Apply("--output", *value);
            }
            default:
                m_error = "unknown option -" + std::string(1, arg[i]);
                return false;
            }
        }
        return true;
    }

    static const CountOption* FindCount(const std::string& name) {
        for (const CountOption& option : kCountOptions) {
            if (name == option.name) {
                return &option;
            }
        }
        return nullptr;
    }

    bool Apply(const std::string& name, const std::string& value) {
        BatchOptions& options = m_result.options;
        if (const CountOption* count = FindCount(name)) {
            const auto parsed = ParseCount(value, count->low, count->high);
            if (!parsed) {
                m_error = "bad " + name + " \"" + value + "\" (expected " + count->unit + " from " +
                          std::to_string(count->low) + " to " + std::to_string(count->high) + ")";
                return false;
            }
            options.*(count->field) = *parsed;
        } else if (name == "--output") {
            if (value.empty()) {
                m_error = "option --output needs a file name";
                return false;
            }
            options.outputFile = value;
        } else if (name == "--format") {
            const auto format =
                ChoiceNamed<OutputFormat>(value, {{"csv", OutputFormat::Csv},
                                                  {"jsonl", OutputFormat::Jsonl},
                                                  {"table", OutputFormat::Table},
                                                  {"prometheus", OutputFormat::Prometheus}});
            if (!format) {
                m_error =
                    "unknown format \"" + value + "\" (expected csv, jsonl, table or prometheus)";
                return false;
            }
            options.format = *format;
            options.formatGiven = true;
        } else if (name == "--connect-to") {
            std::vector<ConnectOverride> parsed;
            std::string why;
            if (!ParseConnectTo(value, parsed, &why) || parsed.empty()) {
                m_error = "bad --connect-to \"" + value +
                          "\": " + (why.empty() ? "expected HOST=ADDRESS:PORT" : why);
                return false;
            }
            options.connectTo.insert(options.connectTo.end(), parsed.begin(), parsed.end());
        } else if (name == "--protocol") {
            const auto protocol =
                ChoiceNamed<ProtocolChoice>(value, {{"auto", ProtocolChoice::Auto},
                                                    {"whois", ProtocolChoice::Whois},
                                                    {"rdap", ProtocolChoice::Rdap}});
            if (!protocol) {
                m_error = "unknown protocol \"" + value + "\" (expected auto, whois or rdap)";
                return false;
            }
            options.protocol = *protocol;
        } else if (name == "--rdap-bootstrap" || name == "--cacert" || name == "--store") {
            if (value.empty()) {
                m_error = "option " + name + " needs a file name";
                return false;
            }
            (name == "--cacert"  ? options.caFile
             : name == "--store" ? options.storeFile
                                 : options.rdapBootstrapFile) = value;
        } else if (name == "--proxy") {
            std::string why;
            if (!IsUsableProxyUrl(value, why)) {
                m_error = "bad --proxy \"" + value + "\": " + why;
                return false;
            }
            options.proxies.push_back(value);
        } else if (name == "--source-address") {
            HostAddress address;
            if (!ParseAddressLiteral(value, address)) {
                m_error =
                    "bad --source-address \"" + value + "\" (expected an IPv4 or IPv6 address)";
                return false;
            }
            options.sourceAddresses.push_back(value);
        } else if (name == "--timeout" || name == "--extra-timeout") {
            const auto ms = ParseTimeoutMs(value);
            if (!ms) {
                m_error = "bad " + name + " \"" + value + "\" (expected seconds, more than 0)";
                return false;
            }
            (name == "--timeout" ? options.timeoutMs : options.extraTimeoutMs) = *ms;
        } else if (name == "--shard") {
            const auto shard = ParseShard(value);
            if (!shard) {
                m_error = "bad --shard \"" + value + "\" (expected K/N, 1 <= K <= N)";
                return false;
            }
            options.shard = *shard;
        }
        return true;
    }

    const std::vector<std::string>& m_args;
    std::size_t m_next = 0;
    ParsedCommandLine m_result;
    std::string m_error;
};

} // namespace

ParsedCommandLine ParseCommandLine(const std::vector<std::string>& args) {
    return Parser(args).Run();
}

std::string UsageText() {
    return R"(Usage: zentrix-batch [options] LIST_FILE

Queries the registry of every domain in LIST_FILE (one name per line,
UTF-8 or GBK text; names in other scripts are asked by their xn-- form) and
writes one result line per name, in the list's order, as soon as every name
before it has ended; a list of any length is read as it goes, at most 20,000
names ahead of the first not yet written. A name is asked over
RDAP (HTTPS) where IANA's RDAP bootstrap lists its TLD, else over WHOIS
(port 43): the built-in server table, else the server IANA's WHOIS names for
the TLD. The registries are asked in parallel, each politely: one query at a
time per server unless --per-host says otherwise, and a server that refuses
for its rate limit (an RDAP server: HTTP 429) is left alone for the wait it
names (else 15 s, doubling up to 5 minutes) before the name is asked again,
at most 4 times in all.

Options:
  -o, --output FILE        write the results to FILE (default: standard output);
                           FILE is replaced only when the results are complete
      --format csv|jsonl|table|prometheus
                           csv: the desktop program's export format, GBK (the
                           default for a file or a pipe); jsonl: one UTF-8
                           JSON object per row; table: columns cut to the
                           terminal's width, UTF-8 (the default when standard
                           output is a terminal); prometheus: the node
                           exporter's textfile format (expiry, status, check
                           time and changes per name), written when the batch
                           ends
      --resume             go on with the last batch over this same list (same
                           file, same names in the same order) that did not
                           end: rows it finished are taken from the results
                           store, the others asked; any other list starts
                           at its first row, saying so
      --store FILE         keep the results in FILE (default: results.sqlite3
                           in the data folder)
      --no-store           leave the results store alone: nothing is kept,
                           "changed" and "previous" stay empty, no --resume
      --prune              apply the history's retention rule now (the last 20
                           checks of a name, none older than 2 years); without
                           LIST_FILE, prune and exit
      --raw                jsonl: add each row's answer as the key "raw" (UTF-8:
                           the WHOIS text or the RDAP JSON)
      --connect-to HOST=ADDRESS:PORT
                           connect to ADDRESS:PORT whenever HOST is asked,
                           over WHOIS or RDAP (an IPv6 address in brackets:
                           [::1]:4343; repeatable; added to ZENTRIX_CONNECT_TO,
                           and taking precedence over it; a bad entry in
                           either stops the run)
      --protocol auto|whois|rdap
                           auto (default): RDAP where the bootstrap lists the
                           TLD, falling back to WHOIS when the RDAP server
                           cannot be reached, times out or answers 5xx;
                           whois: port 43 only; rdap: RDAP only (a TLD without
                           RDAP has no server)
      --rdap-bootstrap FILE
                           IANA's dns.json to use as it is (never refreshed),
                           instead of the copy cached in the data folder
                           (refreshed at most daily) or the built-in one
      --cacert FILE        trust the CAs in this PEM file too for RDAP
                           (default: $ZENTRIX_CACERT; the system's CAs always)
      --timeout SECONDS    limit for one whole query (default 60)
      --extra-timeout SECONDS
                           limit for a registrar's question (its RDAP link or
                           a port-43 referral) on top of the registry's
                           answer, which stands when it fails (default 10)
      --jobs N             queries open at once, in all (default 16, 1 to 256);
                           --jobs 1 --per-host 1 asks one name after another
      --per-host N         queries open at once to one server (default 1,
                           1 to 64)
      --host-interval MS   least time between the starts of two queries to
                           one server, in milliseconds (default 0)
      --proxy URL          ask through this proxy: socks5h://HOST:PORT (the
                           proxy resolves names), socks5://HOST:PORT or
                           http://HOST:PORT (CONNECT); WHOIS and RDAP alike.
                           Repeatable: each proxy is an exit with its own
                           --per-host and --host-interval allowance per
                           server, and rows go to the exit free soonest; a
                           failing proxy rests 5 minutes, its rows going to
                           the others ("proxy failed" when none is left)
      --source-address ADDRESS
                           leave from this local address (repeatable: one
                           exit each, as --proxy)
      --proxy-from-env     use http_proxy, https_proxy and ALL_PROXY for RDAP
                           when no --proxy is given (ignored otherwise)
      --alert-within DAYS  print an alert line on standard error for every
                           registered name that expires within DAYS days (or
                           has expired) and every name that changed since its
                           previous check, and exit with status 3 if there is
                           any
      --shard K/N          ask only the names of shard K of N (1 <= K <= N):
                           a stable hash of each name picks its shard, so N
                           runs over copies of the list, in any order, share
                           it out with no name twice; jsonl's "index" stays
                           the name's place in the whole list
  -q, --quiet              no progress line and no summary
  -h, --help               show this help and exit
      --version            show the version and exit

The RDAP bootstrap and the WHOIS servers IANA named (for 30 days) are
cached in the data folder ($ZENTRIX_HOME when set); without a network the
cached (else built-in) bootstrap is used and RDAP rows fall back to WHOIS,
which fails too.
ZENTRIX_CONNECT_TO adds HOST=ADDRESS:PORT mappings, ZENTRIX_RDAP_BOOTSTRAP
names a bootstrap file (as --rdap-bootstrap), ZENTRIX_RDAP_BOOTSTRAP_URL
where the cached copy is refreshed from (empty: never).

Every finished row is kept in the results store (results.sqlite3 in the data
folder), shared with the desktop program, within a second of finishing.
jsonl lines compare each name with its latest check stored before the
batch: "changed" lists the fields that differ (status, expiry, registrar,
owner) and "previous" holds that check (null when there is none); the
summary counts the changes by kind. A store that cannot be written never
stops the batch: the results still go to the output.

Ctrl+C (or SIGTERM) stops within a second, waits for a server included; the
rows finished so far are written (up to the first one not finished) and the
batch can be continued with --resume. Exit status: 0 when every row was
queried, 1 on a usage, list, CA, bootstrap or output error, 2 when the
output is written but the results store (and so the resume position) could
not be, 3 when --alert-within found names to alert on, 130 when interrupted.
)";
}

OutputFormat OutputFormatFor(const BatchOptions& options, bool stdoutIsTerminal) {
    if (!options.formatGiven && options.outputFile.empty() && stdoutIsTerminal) {
        return OutputFormat::Table;
    }
    return options.format;
}
