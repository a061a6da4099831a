// SPDX-License-Identifier: MIT
#pragma once

// The core library's dialogs on Qt: message boxes with the product title as
// caption, the text-file choosers, the export's choice of file and type, and
// the browser (saying so when none can be started). Texts arrive as GBK; paths are the
// file system's own bytes, as CCore::getAppPath gives them.

#include "core/ccore.h"

#include <QUrl>

class CQtCoreDialogs final : public CCoreDialogs {
public:
    void msgboxInfo(void* owner, const std::string& text) override;
    int msgboxConfirm(void* owner, const std::string& text) override;
    std::string fileTxtOpen() override;
    std::string fileTxtSave(const std::string& proposedName) override;
    // Type 0: "CSV 文件" (GBK), 1: "CSV UTF-8 (Excel)".
    std::string fileExportSave(const std::string& proposedName, int& type) override;
    std::string fileImageSave(const std::string& proposedName) override;
    void openUrl(const std::string& address) override;
    int msgboxChoice(void* owner, const std::string& text,
                     const std::vector<std::string>& buttons) override;
};

// The export's file types, in the order of fileExportSave's type index.
[[nodiscard]] QString ExportFileTypes();
// The caption of the program's message boxes: the product title.
[[nodiscard]] QString BoxCaption();

// "http://" + the bare domain, as the browser gets it; invalid when the text
// cannot form an address.
[[nodiscard]] QUrl DomainUrl(const std::string& gbkDomain);
