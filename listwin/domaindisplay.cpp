#include "listwin/domaindisplay.h"

#include "platform/gbkqt.h"

// The IDN conversion lives in the engine once it is built with libidn2.
#if __has_include("engine/idn.h")
#include "engine/idn.h"
#define ZENTRIX_HAS_IDN 1
#endif

QString DisplayDomain(std::string_view gbkDomain) {
    const QString shown = FromGbk(gbkDomain);
#ifdef ZENTRIX_HAS_IDN
    if (shown.contains(QStringLiteral("xn--"), Qt::CaseInsensitive)) {
        const std::string unicode = ToUnicodeName(gbkDomain);
        const QString name = QString::fromStdString(unicode);
        if (!unicode.empty() && name.compare(shown, Qt::CaseInsensitive) != 0) {
            return name + QStringLiteral(" (") + shown + QLatin1Char(')');
        }
    }
#endif
    return shown;
}
