#pragma once

// The core library's dialogs on Qt: message boxes with an empty caption, the
// text-file choosers and the browser. Texts arrive as GBK; paths are the
// file system's own bytes, as CCore::getAppPath gives them.

#include "core/ccore.h"

#include <QUrl>

class CQtCoreDialogs final : public CCoreDialogs {
public:
    void msgboxInfo(void* owner, const std::string& text) override;
    int msgboxConfirm(void* owner, const std::string& text) override;
    std::string fileTxtOpen() override;
    std::string fileTxtSave(const std::string& proposedName) override;
    void openUrl(const std::string& address) override;
};

// "http://" + the bare domain, as the browser gets it; invalid when the text
// cannot form an address.
[[nodiscard]] QUrl DomainUrl(const std::string& gbkDomain);
