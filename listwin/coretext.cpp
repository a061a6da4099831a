#include "listwin/coretext.h"

#include "core/ccore.h"
#include "engine/domaintable.h"

QString FromGbk(std::string_view gbk) {
    return QString::fromStdString(CCore::ANSI_UTF8(gbk));
}

void InfoBox(QWidget* owner, const std::string& utf8Text) {
    std::string gbk = utf8Text;
    CCore::UTF8_ANSI(gbk);
    if (CCore* core = TheDomainTable().core) {
        core->msgboxInfo(owner, gbk);
    } else if (CCoreDialogs* dialogs = CCore::dialogs()) {
        dialogs->msgboxInfo(owner, gbk);
    }
}
