// SPDX-License-Identifier: MIT
#pragma once

// The core library's dialogs for tests: answers come from queues filled by
// the test, and every box shown is recorded (converted to UTF-8).

#include "core/ccore.h"

#include <deque>
#include <string>
#include <vector>

class ScriptedDialogs final : public CCoreDialogs {
public:
    ScriptedDialogs();
    ~ScriptedDialogs() override;

    void msgboxInfo(void* owner, const std::string& text) override;
    int msgboxConfirm(void* owner, const std::string& text) override;
    std::string fileTxtOpen() override;
    std::string fileTxtSave(const std::string& proposedName) override;
    // A path from savePaths, and a type from saveTypes (0 when empty).
    std::string fileExportSave(const std::string& proposedName, int& type) override;
    void openUrl(const std::string& address) override;
    // Records the question with its buttons; answers from choiceAnswers,
    // the first button when it is empty.
    int msgboxChoice(void* owner, const std::string& text,
                     const std::vector<std::string>& buttons) override;

    // Answers, used in order; when a queue is empty: No, or cancel.
    std::deque<int> confirmAnswers;
    std::deque<std::string> openPaths;
    std::deque<std::string> savePaths;
    std::deque<int> saveTypes;
    std::deque<int> choiceAnswers;

    // What was shown, UTF-8.
    std::vector<std::string> infos;
    std::vector<std::string> questions;
    std::vector<std::string> proposedNames;
    std::vector<std::string> urls;
    // Each choice as its text, then " [" and its buttons joined by "|" "]".
    std::vector<std::string> choices;

private:
    CCoreDialogs* m_previous;
};
