// SPDX-License-Identifier: MIT
// What changed between two checks of a name, and how a list is named.

#include <gtest/gtest.h>

#include "engine/store/resultstore.h"
#include "storetesting.h"

namespace {

struct ChangeCase {
    const char* name;
    StoredCheck previous;
    StoredCheck current;
    std::vector<ChangeKind> kinds;
    std::vector<std::string_view> fields;
};

// check with one of the values compared replaced.
StoredCheck WithExpiry(StoredCheck check, const char* expiry) {
    check.values.expiry = expiry;
    return check;
}
StoredCheck WithRegistrar(StoredCheck check, const char* registrar) {
    check.values.registrar = registrar;
    return check;
}
StoredCheck WithOwner(StoredCheck check, const char* owner) {
    check.values.owner = owner;
    return check;
}

std::vector<ChangeCase> Cases() {
    const StoredCheck found = MakeCheck("a.test", 100, kFound);
    const StoredCheck free = MakeCheck("a.test", 200, kNotRegistered);
    const StoredCheck failed = MakeCheck("a.test", 200, kError);
    return {
        {"same answer, nothing changed", found, found, {}, {}},
        {"registered", free, found, {ChangeKind::Registered}, {"status"}},
        {"released", found, free, {ChangeKind::Released}, {"status"}},
        {"renewed", found, WithExpiry(found, "2028-05-01"), {ChangeKind::Renewed}, {"expiry"}},
        {"expiry earlier is a changed field but no renewal",
         found,
         WithExpiry(found, "2026-05-01"),
         {},
         {"expiry"}},
        {"expiry not a date: changed, not renewed",
         found,
         WithExpiry(found, "01-May-2028"),
         {},
         {"expiry"}},
        {"transferred",
         found,
         WithRegistrar(found, "Other Registrar"),
         {ChangeKind::Transferred},
         {"registrar"}},
        {"owner changed",
         found,
         WithOwner(found, "บริษัท ใหม่ จำกัด"),
         {ChangeKind::OwnerChanged},
         {"owner"}},
        {"all three at once, in the enum's order",
         found,
         WithOwner(WithRegistrar(WithExpiry(found, "2030-01-01"), "New Registrar"), "New Owner"),
         {ChangeKind::Renewed, ChangeKind::Transferred, ChangeKind::OwnerChanged},
         {"expiry", "registrar", "owner"}},
        {"letter case and blanks of names are no change",
         found,
         WithOwner(WithRegistrar(found, "EXAMPLE  REGISTRAR, INC. "), "example holdings"),
         {},
         {}},
        {"a value one answer lacks is no change",
         found,
         WithOwner(WithRegistrar(WithExpiry(found, ""), ""), ""),
         {},
         {}},
        {"a failed check after a good one", found, failed, {}, {}},
        {"a good check after a failed one", failed, found, {}, {}},
        {"no previous check", StoredCheck{}, found, {}, {}},
        {"a new registration's values are not compared",
         free,
         WithRegistrar(found, "Other Registrar"),
         {ChangeKind::Registered},
         {"status"}},
    };
}

TEST(ChangesBetweenTest, KindsAndFieldsOfEachCase) {
    for (const ChangeCase& c : Cases()) {
        SCOPED_TRACE(c.name);
        const auto kinds = ChangesBetween(c.previous, c.current);
        EXPECT_EQ(kinds, c.kinds);
        EXPECT_EQ(ChangedFields(c.previous, c.current), c.fields);
        EXPECT_EQ(ChangeKindsOf(ChangeBits(kinds)), kinds) << "bits round-trip";
    }
}

TEST(ChangesBetweenTest, TextsForTheListAndForScripts) {
    EXPECT_EQ(ChangesChinese({}), "");
    EXPECT_EQ(ChangesChinese({ChangeKind::Renewed, ChangeKind::Transferred}), "已续费、已转移");
    const std::vector<std::pair<std::string_view, std::string_view>> expected = {
        {"已注册", "registered"},
        {"已释放", "released"},
        {"已续费", "renewed"},
        {"已转移", "transferred"},
        {"所有人变更", "owner"}};
    for (int i = 0; i < kChangeKindCount; ++i) {
        const auto kind = static_cast<ChangeKind>(i);
        EXPECT_EQ(ChangeKindChinese(kind), expected[static_cast<std::size_t>(i)].first);
        EXPECT_EQ(ChangeKindKey(kind), expected[static_cast<std::size_t>(i)].second);
    }
    EXPECT_EQ(ChangeKindsOf(0xFF).size(), static_cast<std::size_t>(kChangeKindCount))
        << "bits beyond the kinds are ignored";
}

TEST(ListIdentityTest, SamePathAndNamesGiveTheSameIdentityAndAnyDifferenceAnother) {
    const std::vector<std::string> names = {"a.test", "b.test", "c.test"};
    const std::string identity = ListIdentity("/home/u/list.txt", names);
    EXPECT_EQ(identity, ListIdentity("/home/u/list.txt", names));
    EXPECT_EQ(identity.rfind("/home/u/list.txt", 0), 0U) << "starts with the path";
    EXPECT_NE(identity, ListIdentity("/home/u/other.txt", names));
    EXPECT_NE(identity, ListIdentity("/home/u/list.txt", {"b.test", "a.test", "c.test"}));
    EXPECT_NE(identity, ListIdentity("/home/u/list.txt", {"a.test", "b.test"}));
    EXPECT_NE(ListIdentity("/l", {"ab", "c"}), ListIdentity("/l", {"a", "bc"}));
    // Stable between builds: a saved identity must match next week's.
    EXPECT_EQ(ListIdentity("/l", {}), "/l#0:cbf29ce484222325");
}

} // namespace
