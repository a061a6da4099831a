// SPDX-License-Identifier: MIT
#pragma once

// Dialog units to pixels, from the dialog font: a horizontal unit is a quarter
// of the font's average character width, a vertical unit an eighth of its
// height (rounded to the nearest pixel, as the platform's MulDiv does).

#include <QRect>

class QFont;

struct DialogBaseUnits {
    int x = 0; // average character width in pixels
    int y = 0; // character height in pixels
};

[[nodiscard]] DialogBaseUnits BaseUnitsOf(const QFont& font);
[[nodiscard]] int MulDivRound(int value, int numerator, int denominator);
[[nodiscard]] QRect DialogRectToPixels(const QRect& dlu, DialogBaseUnits units);
// The dialog font: 9-point "宋体", or an installed CJK font when it is missing.
[[nodiscard]] QFont DialogFont();
// The units the panel is laid out in: measured from `font` when it is the
// template's own font; otherwise those of 9-point "宋体" (6 x 12 pixels at
// 96 dpi), since the template's positions and the side bar's width were made
// for them and a wider fallback font would push controls out of the bar.
[[nodiscard]] DialogBaseUnits PanelBaseUnits(const QFont& font, int logicalDpi);
