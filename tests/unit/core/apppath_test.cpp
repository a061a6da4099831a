#include "core/apppath.h"

#include <gtest/gtest.h>

namespace {

struct PathCase {
    const char* name;
    AppPathInputs in;
    std::string expected;
};

TEST(ChooseAppPath, FollowsTheOrderOfPreference) {
    const PathCase cases[] = {
        {"home wins", {"/h", "/opt/z", true, "/x", "/u"}, "/h/"},
        {"home keeps its slash", {"/h/", "", false, "", "/u"}, "/h/"},
        {"writable exe folder", {"", "/opt/z", true, "/x", "/u"}, "/opt/z/"},
        {"read-only exe folder", {"", "/usr/bin", false, "/x", "/u"}, "/x/zentrix/"},
        {"xdg with slash", {"", "/usr/bin", false, "/x/", "/u"}, "/x/zentrix/"},
        {"relative xdg ignored", {"", "/usr/bin", false, "rel", "/u"}, "/u/.local/share/zentrix/"},
        {"no xdg", {"", "", false, "", "/u"}, "/u/.local/share/zentrix/"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(chooseAppPath(c.in), c.expected) << c.name;
}

} // namespace
