#include "cli/batchoptions.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <optional>

namespace {

constexpr double kMaxTimeoutSeconds = 24 * 60 * 60;

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
        const bool takesValue = name == "--output" || name == "--format" ||
                                name == "--connect-to" || name == "--timeout";
        if (!takesValue && inline_) {
            m_error = "option " + name + " takes no value";
            return false;
        }
        if (name == "--help") {
            help = true;
        } else if (name == "--version") {
            version = true;
        } else if (name == "--quiet") {
            options.quiet = true;
        } else if (name == "--resume") {
            options.resume = true;
        } else if (name == "--raw") {
            options.raw = true;
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

    bool Apply(const std::string& name, const std::string& value) {
        BatchOptions& options = m_result.options;
        if (name == "--output") {
            if (value.empty()) {
                m_error = "option --output needs a file name";
                return false;
            }
            options.outputFile = value;
        } else if (name == "--format") {
            if (value == "csv") {
                options.format = OutputFormat::Csv;
            } else if (value == "jsonl") {
                options.format = OutputFormat::Jsonl;
            } else {
                m_error = "unknown format \"" + value + "\" (expected csv or jsonl)";
                return false;
            }
        } else if (name == "--connect-to") {
            std::vector<ConnectOverride> parsed;
            std::string why;
            if (!ParseConnectTo(value, parsed, &why) || parsed.empty()) {
                m_error = "bad --connect-to \"" + value +
                          "\": " + (why.empty() ? "expected HOST=ADDRESS:PORT" : why);
                return false;
            }
            options.connectTo.insert(options.connectTo.end(), parsed.begin(), parsed.end());
        } else if (name == "--timeout") {
            const auto ms = ParseTimeoutMs(value);
            if (!ms) {
                m_error = "bad --timeout \"" + value + "\" (expected seconds, more than 0)";
                return false;
            }
            options.timeoutMs = *ms;
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

Queries the WHOIS server of every domain in LIST_FILE (one name per line,
GBK text) one after another and writes one result line per name.

Options:
  -o, --output FILE        write the results to FILE (default: standard output);
                           FILE is replaced only when the results are complete
      --format csv|jsonl   csv (default): the desktop program's export format,
                           GBK; jsonl: one UTF-8 JSON object per row
      --resume             start at the row the last batch reached ("lastindex")
      --raw                jsonl: add each row's answer as the key "raw" (UTF-8)
      --connect-to HOST=ADDRESS:PORT
                           connect to ADDRESS:PORT whenever HOST is asked
                           (repeatable; added to ZENTRIX_CONNECT_TO, and taking
                           precedence over it)
      --timeout SECONDS    limit for one whole query (default 60)
  -q, --quiet              no progress line and no summary
  -h, --help               show this help and exit
      --version            show the version and exit

Ctrl+C stops after the current query; the rows finished so far are written and
the batch can be continued with --resume. Exit status: 0 when every row was
queried, 1 on a usage, list or output error, 130 when interrupted.
)";
}
