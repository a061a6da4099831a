// SPDX-License-Identifier: MIT
#include "cli/batchoptions.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

namespace {

using Action = ParsedCommandLine::Action;

struct Refusal {
    const char* name;
    std::vector<std::string> args;
    std::string error;
};

// Each command line fails, saying why.
void ExpectRefused(const std::vector<Refusal>& refusals) {
    for (const Refusal& r : refusals) {
        SCOPED_TRACE(r.name);
        const ParsedCommandLine parsed = ParseCommandLine(r.args);
        EXPECT_EQ(parsed.action, Action::Fail);
        EXPECT_EQ(parsed.error, r.error);
    }
}

// The manual page is made from --help: every text is in it.
void ExpectInUsage(std::initializer_list<const char*> texts) {
    for (const char* text : texts) {
        EXPECT_NE(UsageText().find(text), std::string::npos) << text;
    }
}

TEST(BatchOptionsTest, AcceptedForms) {
    const ParsedCommandLine parsed = ParseCommandLine(
        {"--format=jsonl", "-qoout.csv", "--resume", "--timeout", "2.5", "--extra-timeout=0.25",
         "--connect-to", "a.example=127.0.0.1:4343",
         "--connect-to=b.example=127.0.0.2:43,c.example=127.0.0.3:44", "--", "-list.txt"});
    ASSERT_EQ(parsed.action, Action::Run) << parsed.error;
    const BatchOptions& o = parsed.options;
    EXPECT_EQ(o.listFile, "-list.txt");
    EXPECT_EQ(o.outputFile, "out.csv");
    EXPECT_EQ(o.format, OutputFormat::Jsonl);
    EXPECT_TRUE(o.resume);
    EXPECT_TRUE(o.quiet);
    EXPECT_EQ(o.timeoutMs, 2500);
    EXPECT_EQ(o.extraTimeoutMs, 250);
    ASSERT_EQ(o.connectTo.size(), 3U);
    EXPECT_EQ(o.connectTo[0].host, "a.example");
    EXPECT_EQ(o.connectTo[2].address, "127.0.0.3");
    EXPECT_EQ(o.connectTo[2].port, 44);
    EXPECT_EQ(o.jobs, 16);
    EXPECT_EQ(o.perHost, 1);
    EXPECT_EQ(o.hostIntervalMs, 0);
}

TEST(BatchOptionsTest, LaneOptions) {
    const ParsedCommandLine parsed =
        ParseCommandLine({"--jobs", "1", "--per-host=64", "--host-interval", "3600000",
                          "--connect-to", "v6.example=[::1]:4343", "list.txt"});
    ASSERT_EQ(parsed.action, Action::Run) << parsed.error;
    EXPECT_EQ(parsed.options.jobs, 1);
    EXPECT_EQ(parsed.options.perHost, 64);
    EXPECT_EQ(parsed.options.hostIntervalMs, 3'600'000);
    ASSERT_EQ(parsed.options.connectTo.size(), 1U);
    EXPECT_EQ(parsed.options.connectTo[0].address, "::1");
}

TEST(BatchOptionsTest, ExitOptions) {
    const ParsedCommandLine parsed = ParseCommandLine(
        {"--proxy", "socks5h://127.0.0.1:1080", "--proxy=http://10.0.0.1:3128", "--source-address",
         "192.0.2.7", "--source-address=2001:db8::7", "--proxy-from-env", "list.txt"});
    ASSERT_EQ(parsed.action, Action::Run) << parsed.error;
    EXPECT_EQ(parsed.options.proxies,
              (std::vector<std::string>{"socks5h://127.0.0.1:1080", "http://10.0.0.1:3128"}));
    EXPECT_EQ(parsed.options.sourceAddresses,
              (std::vector<std::string>{"192.0.2.7", "2001:db8::7"}));
    EXPECT_TRUE(parsed.options.proxyFromEnvironment);
    EXPECT_FALSE(ParseCommandLine({"l"}).options.proxyFromEnvironment);
    EXPECT_EQ(ParseCommandLine({"--proxy", "socks4://h:1", "l"}).error,
              "bad --proxy \"socks4://h:1\": expected socks5h://, socks5:// or http://HOST:PORT");
    EXPECT_EQ(ParseCommandLine({"--source-address", "eth0", "l"}).error,
              "bad --source-address \"eth0\" (expected an IPv4 or IPv6 address)");
    EXPECT_EQ(ParseCommandLine({"--proxy-from-env=1", "l"}).error,
              "option --proxy-from-env takes no value");
    ExpectInUsage({"--proxy URL", "--source-address ADDRESS", "--proxy-from-env"});
}

TEST(BatchOptionsTest, Refusals) {
    ExpectRefused({
        {"unknown_long", {"--bogus", "l"}, "unknown option --bogus"},
        {"output_without_value", {"l", "-o"}, "option -o needs a value"},
        {"empty_output", {"--output=", "l"}, "option --output needs a file name"},
        {"flag_with_value", {"--quiet=1", "l"}, "option --quiet takes no value"},
        {"zero_timeout",
         {"--timeout", "0", "l"},
         "bad --timeout \"0\" (expected seconds, more than 0)"},
        {"word_timeout",
         {"--timeout", "1e3", "l"},
         "bad --timeout \"1e3\" (expected seconds, more than 0)"},
        {"zero_extra_timeout",
         {"--extra-timeout", "0", "l"},
         "bad --extra-timeout \"0\" (expected seconds, more than 0)"},
        {"connect_to_without_port",
         {"--connect-to", "h=127.0.0.1", "l"},
         "bad --connect-to \"h=127.0.0.1\": expected host=ADDRESS:PORT in \"h=127.0.0.1\""},
        {"connect_to_empty",
         {"--connect-to=", "l"},
         "bad --connect-to \"\": expected HOST=ADDRESS:PORT"},
        {"two_lists", {"a", "b"}, "expected one LIST_FILE, got 2 names"},
        {"zero_jobs",
         {"--jobs", "0", "l"},
         "bad --jobs \"0\" (expected a whole number from 1 to 256)"},
        {"too_many_jobs",
         {"--jobs=257", "l"},
         "bad --jobs \"257\" (expected a whole number from 1 to 256)"},
        {"signed_jobs",
         {"--jobs", "+4", "l"},
         "bad --jobs \"+4\" (expected a whole number from 1 to 256)"},
        {"jobs_without_value", {"l", "--jobs"}, "option --jobs needs a value"},
        {"per_host_word",
         {"--per-host", "two", "l"},
         "bad --per-host \"two\" (expected a whole number from 1 to 64)"},
        {"negative_interval",
         {"--host-interval=-5", "l"},
         "bad --host-interval \"-5\" (expected milliseconds from 0 to 3600000)"},
        {"unknown_protocol",
         {"--protocol", "http", "l"},
         "unknown protocol \"http\" (expected auto, whois or rdap)"},
        {"protocol_case",
         {"--protocol=RDAP", "l"},
         "unknown protocol \"RDAP\" (expected auto, whois or rdap)"},
        {"protocol_without_value", {"l", "--protocol"}, "option --protocol needs a value"},
        {"empty_bootstrap",
         {"--rdap-bootstrap=", "l"},
         "option --rdap-bootstrap needs a file name"},
        {"empty_cacert", {"--cacert", "", "l"}, "option --cacert needs a file name"},
        {"huge_interval",
         {"--host-interval", "99999999999", "l"},
         "bad --host-interval \"99999999999\" (expected milliseconds from 0 to 3600000)"},
    });
}

TEST(BatchOptionsTest, ProtocolOptions) {
    const struct {
        const char* name;
        std::vector<std::string> args;
        ProtocolChoice protocol;
    } cases[] = {
        {"default", {"l"}, ProtocolChoice::Auto},
        {"auto", {"--protocol", "auto", "l"}, ProtocolChoice::Auto},
        {"whois", {"--protocol=whois", "l"}, ProtocolChoice::Whois},
        {"rdap", {"--protocol", "rdap", "l"}, ProtocolChoice::Rdap},
        {"last wins", {"--protocol", "rdap", "--protocol=whois", "l"}, ProtocolChoice::Whois},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const ParsedCommandLine parsed = ParseCommandLine(c.args);
        ASSERT_EQ(parsed.action, Action::Run) << parsed.error;
        EXPECT_EQ(parsed.options.protocol, c.protocol);
    }
    const ParsedCommandLine files =
        ParseCommandLine({"--rdap-bootstrap", "dns.json", "--cacert=ca.pem", "l"});
    ASSERT_EQ(files.action, Action::Run) << files.error;
    EXPECT_EQ(files.options.rdapBootstrapFile, "dns.json");
    EXPECT_EQ(files.options.caFile, "ca.pem");
    ExpectInUsage({"--protocol auto|whois|rdap", "--rdap-bootstrap FILE", "--cacert FILE",
                   "ZENTRIX_CACERT", "ZENTRIX_RDAP_BOOTSTRAP"});
}

TEST(BatchOptionsTest, StoreOptions) {
    const ParsedCommandLine store = ParseCommandLine({"--store=r.sqlite3", "--prune", "l"});
    ASSERT_EQ(store.action, Action::Run) << store.error;
    EXPECT_EQ(store.options.storeFile, "r.sqlite3");
    EXPECT_TRUE(store.options.prune);
    EXPECT_FALSE(store.options.noStore);

    // --prune alone is a run without a list; anything else still needs one.
    const ParsedCommandLine prune = ParseCommandLine({"--prune", "-q"});
    ASSERT_EQ(prune.action, Action::Run) << prune.error;
    EXPECT_EQ(prune.options.listFile, "");
    EXPECT_EQ(ParseCommandLine({"--store", "r.sqlite3"}).error, "no LIST_FILE given");

    ExpectRefused({
        {"store_and_no_store",
         {"--no-store", "--store", "r", "l"},
         "--store and --no-store contradict each other"},
        {"resume_without_store",
         {"--resume", "--no-store", "l"},
         "--resume needs the results store, which --no-store leaves alone"},
        {"prune_without_store",
         {"--no-store", "--prune"},
         "--prune works on the results store, which --no-store leaves alone"},
        {"empty_store", {"--store=", "l"}, "option --store needs a file name"},
        {"no_store_with_value", {"--no-store=1", "l"}, "option --no-store takes no value"},
    });
    ExpectInUsage({"--store FILE", "--no-store", "--prune", "results.sqlite3"});
}

TEST(BatchOptionsTest, HelpAndVersionNeedNoList) {
    EXPECT_EQ(ParseCommandLine({"-h"}).action, Action::Help);
    EXPECT_EQ(ParseCommandLine({"-qh", "x", "y"}).action, Action::Help);
    EXPECT_EQ(ParseCommandLine({"--version"}).action, Action::Version);
    EXPECT_EQ(ParseCommandLine({"--help", "--bogus"}).action, Action::Fail);
}

} // namespace
