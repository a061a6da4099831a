// SPDX-License-Identifier: MIT
#include "core/ccore.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace {

using ::testing::Return;
using ::testing::StrictMock;

class ScriptedDialogs : public CCoreDialogs {
public:
    MOCK_METHOD(void, msgboxInfo, (void*, const std::string&), (override));
    MOCK_METHOD(int, msgboxConfirm, (void*, const std::string&), (override));
    MOCK_METHOD(std::string, fileTxtOpen, (), (override));
    MOCK_METHOD(std::string, fileTxtSave, (const std::string&), (override));
    MOCK_METHOD(void, openUrl, (const std::string&), (override));
};

// Installs dialogs for one test and always uninstalls them.
class InstalledDialogs {
public:
    explicit InstalledDialogs(CCoreDialogs* d) { CCore::setDialogs(d); }
    ~InstalledDialogs() { CCore::setDialogs(nullptr); }
    InstalledDialogs(const InstalledDialogs&) = delete;
    InstalledDialogs& operator=(const InstalledDialogs&) = delete;
};

TEST(Dialogs, WithNoneInstalledAnswerCancelAndNo) {
    ASSERT_EQ(CCore::dialogs(), nullptr);
    CCore core;
    EXPECT_EQ(core.fileTxtOpen(), "");
    EXPECT_EQ(core.fileTxtSave("export.csv"), "");
    EXPECT_EQ(core.msgboxConfirm(nullptr, "continue?"), CCore::IDNO);
    core.msgboxInfo(nullptr, "shown to nobody");
    core.openUrl("example.com");
}

TEST(Dialogs, ForwardToTheInstalledOnes) {
    StrictMock<ScriptedDialogs> scripted;
    const InstalledDialogs installed(&scripted);
    int owner = 0;
    EXPECT_CALL(scripted, fileTxtOpen()).WillOnce(Return("/tmp/list.txt"));
    EXPECT_CALL(scripted, fileTxtSave("export.csv")).WillOnce(Return("/tmp/out.csv"));
    EXPECT_CALL(scripted, msgboxConfirm(&owner, "\xCA\xC7?")).WillOnce(Return(CCore::IDYES));
    EXPECT_CALL(scripted, msgboxInfo(&owner, "done"));
    EXPECT_CALL(scripted, openUrl("example.com"));

    CCore core;
    EXPECT_EQ(core.fileTxtOpen(), "/tmp/list.txt");
    EXPECT_EQ(core.fileTxtSave("export.csv"), "/tmp/out.csv");
    EXPECT_EQ(core.msgboxConfirm(&owner, "\xCA\xC7?"), CCore::IDYES);
    core.msgboxInfo(&owner, "done");
    core.openUrl("example.com");
    EXPECT_EQ(CCore::dialogs(), &scripted);
}

} // namespace
