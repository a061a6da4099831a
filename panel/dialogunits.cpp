// SPDX-License-Identifier: MIT
#include "panel/dialogunits.h"

#include <QFont>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QStringList>

DialogBaseUnits BaseUnitsOf(const QFont& font) {
    const QFontMetrics metrics(font);
    // The platform's own rule: the mean width of the 52 Latin letters, rounded.
    const int letters = metrics.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    return DialogBaseUnits{(letters / 26 + 1) / 2, metrics.height()};
}

int MulDivRound(int value, int numerator, int denominator) {
    const long long product = static_cast<long long>(value) * numerator;
    const long long half = denominator / 2;
    const long long rounded =
        product >= 0 ? (product + half) / denominator : (product - half) / denominator;
    return static_cast<int>(rounded);
}

QRect DialogRectToPixels(const QRect& dlu, DialogBaseUnits units) {
    return QRect(MulDivRound(dlu.x(), units.x, 4), MulDivRound(dlu.y(), units.y, 8),
                 MulDivRound(dlu.width(), units.x, 4), MulDivRound(dlu.height(), units.y, 8));
}

namespace {
const QStringList kTemplateFamilies = {QStringLiteral("宋体"), QStringLiteral("SimSun"),
                                       QStringLiteral("NSimSun")};
} // namespace

DialogBaseUnits PanelBaseUnits(const QFont& font, int logicalDpi) {
    if (kTemplateFamilies.contains(font.family(), Qt::CaseInsensitive)) {
        return BaseUnitsOf(font);
    }
    return DialogBaseUnits{MulDivRound(6, logicalDpi, 96), MulDivRound(12, logicalDpi, 96)};
}

QFont DialogFont() {
    static const QStringList preferred = {
        QStringLiteral("宋体"), QStringLiteral("SimSun"), QStringLiteral("NSimSun"),
        QStringLiteral("WenQuanYi Micro Hei"), QStringLiteral("Noto Sans CJK SC")};
    const QStringList installed = QFontDatabase::families();
    for (const QString& family : preferred) {
        if (installed.contains(family, Qt::CaseInsensitive)) {
            return QFont(family, 9);
        }
    }
    return QFont(preferred.front(), 9);
}
