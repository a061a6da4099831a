// SPDX-License-Identifier: MIT
#include "scripteddialogs.h"

ScriptedDialogs::ScriptedDialogs() : m_previous(CCore::dialogs()) {
    CCore::setDialogs(this);
}

ScriptedDialogs::~ScriptedDialogs() {
    CCore::setDialogs(m_previous);
}

void ScriptedDialogs::msgboxInfo(void*, const std::string& text) {
    infos.push_back(CCore::ANSI_UTF8(text));
}

int ScriptedDialogs::msgboxConfirm(void*, const std::string& text) {
    questions.push_back(CCore::ANSI_UTF8(text));
    if (confirmAnswers.empty()) {
        return CCore::IDNO;
    }
    const int answer = confirmAnswers.front();
    confirmAnswers.pop_front();
    return answer;
}

int ScriptedDialogs::msgboxChoice(void*, const std::string& text,
                                  const std::vector<std::string>& buttons) {
    std::string shown = CCore::ANSI_UTF8(text) + " [";
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        shown += (i == 0 ? "" : "|") + CCore::ANSI_UTF8(buttons[i]);
    }
    choices.push_back(shown + "]");
    if (choiceAnswers.empty()) {
        return 0;
    }
    const int answer = choiceAnswers.front();
    choiceAnswers.pop_front();
    return answer;
}

std::string ScriptedDialogs::fileTxtOpen() {
    if (openPaths.empty()) {
        return {};
    }
    std::string path = openPaths.front();
    openPaths.pop_front();
    return path;
}

std::string ScriptedDialogs::fileTxtSave(const std::string& proposedName) {
    proposedNames.push_back(CCore::ANSI_UTF8(proposedName));
    if (savePaths.empty()) {
        return {};
    }
    std::string path = savePaths.front();
    savePaths.pop_front();
    return path;
}

std::string ScriptedDialogs::fileExportSave(const std::string& proposedName, int& type) {
    type = 0;
    if (!saveTypes.empty()) {
        type = saveTypes.front();
        saveTypes.pop_front();
    }
    return fileTxtSave(proposedName);
}

void ScriptedDialogs::openUrl(const std::string& address) {
    urls.push_back(CCore::ANSI_UTF8(address));
}
