// SPDX-License-Identifier: MIT
// The one host-name rule and its two options, as every reader of a name
// (list, referral, connect-to, IANA directory) applies it.

#include "core/hostname.h"

#include <gtest/gtest.h>
#include <string>

namespace {

TEST(HostName, LettersDigitsAndHyphensInTwoOrMoreLabels) {
    const std::string label63(63, 'a');
    const std::string name253 =
        label63 + "." + label63 + "." + label63 + "." + std::string(61, 'b');
    ASSERT_EQ(name253.size(), 253U);
    struct Case {
        const char* name;
        std::string text;
        bool valid;
    };
    const Case cases[] = {
        {"plain", "example.com", true},
        {"digits_and_hyphens", "a-1.b2-c.cn", true},
        {"upper_case", "Example.COM", true},
        {"alabel", "xn--fsqu00a.xn--fiqs8s", true},
        {"one_letter_labels", "a.b", true},
        {"numeric_labels", "123.example", true},
        {"label_of_63", label63 + ".com", true},
        {"label_of_64", label63 + "a.com", false},
        {"name_of_253", name253, true},
        {"name_of_254", name253 + "b", false},
        {"one_label", "localhost", false},
        {"empty", "", false},
        {"empty_label", "a..com", false},
        {"leading_dot", ".a.com", false},
        {"trailing_dot", "a.com.", false},
        {"leading_hyphen", "-a.com", false},
        {"trailing_hyphen", "a-.com", false},
        {"hyphen_tld", "a.-", false},
        {"space", "a b.com", false},
        {"formula", "=1+1.com", false},
        {"question_mark", "x?y.com", false},
        {"underscore", "under_score.com", false},
        {"at_sign", "user@a.com", false},
        {"colon", "a.com:80", false},
        {"ipv6", "::1", false},
        {"non_ascii", "\xC3\xA9.com", false},
        {"nul", std::string("a\0b.com", 7), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(IsHostName(c.text), c.valid);
        // The options only ever add names.
        if (c.valid) {
            EXPECT_TRUE(IsHostName(c.text, {.underscore = true, .singleLabel = true}));
        }
    }
}

TEST(HostName, OptionsTakeUnderscoresAndSingleLabels) {
    const HostNameRule underscore{.underscore = true};
    const HostNameRule single{.singleLabel = true};
    EXPECT_TRUE(IsHostName("_whois._tcp.example", underscore));
    EXPECT_TRUE(IsHostName("under_score.com", underscore));
    EXPECT_FALSE(IsHostName("under_score", underscore));
    EXPECT_FALSE(IsHostName("-_.com", underscore)); // hyphens still never lead
    EXPECT_TRUE(IsHostName("localhost", single));
    EXPECT_TRUE(IsHostName("IO", single));
    EXPECT_FALSE(IsHostName("fake_host", single));
    EXPECT_FALSE(IsHostName("a..b", single));
    EXPECT_TRUE(IsHostName("fake_host", {.underscore = true, .singleLabel = true}));
}

TEST(HostName, ALabelIsOneLabel) {
    EXPECT_TRUE(IsHostLabel("xn--fiqs8s"));
    EXPECT_TRUE(IsHostLabel("COM"));
    EXPECT_TRUE(IsHostLabel(std::string(63, 'a')));
    EXPECT_FALSE(IsHostLabel(std::string(64, 'a')));
    EXPECT_FALSE(IsHostLabel(""));
    EXPECT_FALSE(IsHostLabel("a.b"));
    EXPECT_FALSE(IsHostLabel("-io"));
    EXPECT_FALSE(IsHostLabel("io-"));
    EXPECT_FALSE(IsHostLabel("a_b"));
    EXPECT_TRUE(IsHostLabel("a_b", true));
}

} // namespace
