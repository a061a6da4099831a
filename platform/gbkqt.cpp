// SPDX-License-Identifier: MIT
#include "platform/gbkqt.h"

#include "core/ccore.h"

QString FromGbk(std::string_view gbk) {
    return QString::fromStdString(CCore::ANSI_UTF8(gbk));
}

std::string ToGbk(const QString& text) {
    std::string bytes = text.toStdString();
    CCore::UTF8_ANSI(bytes);
    return bytes;
}

void InfoBox(QWidget* owner, const std::string& utf8Text) {
    std::string gbk = utf8Text;
    CCore::UTF8_ANSI(gbk);
    if (CCoreDialogs* dialogs = CCore::dialogs()) {
        dialogs->msgboxInfo(owner, gbk);
    }
}
