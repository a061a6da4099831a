// SPDX-License-Identifier: MIT
#include "listwin/domaindisplay.h"

#include "platform/gbkqt.h"

#include "engine/net/idn.h"

QString DisplayDomain(std::string_view gbkDomain) {
    const QString shown = FromGbk(gbkDomain);
    if (shown.contains(QStringLiteral("xn--"), Qt::CaseInsensitive)) {
        const std::string unicode = ToUnicodeName(gbkDomain);
        const QString name = QString::fromStdString(unicode);
        if (!unicode.empty() && name.compare(shown, Qt::CaseInsensitive) != 0) {
            return name + QStringLiteral(" (") + shown + QLatin1Char(')');
        }
    }
    return shown;
}
