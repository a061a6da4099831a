// SPDX-License-Identifier: MIT
// The window icon: every size drawn for the program reaches the window,
// each from its own drawing.

#include "res/appicon.h"

#include <QImage>

#include <gtest/gtest.h>

namespace {

TEST(AppIcon, HasADrawingForEverySize) {
    const QIcon icon = AppIcon();
    ASSERT_FALSE(icon.isNull());
    const QList<QSize> sizes = icon.availableSizes();
    for (const int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        SCOPED_TRACE(size);
        EXPECT_TRUE(sizes.contains(QSize(size, size)));
        const QImage image = icon.pixmap(QSize(size, size)).toImage();
        EXPECT_EQ(image.size(), QSize(size, size));
        // The tile is opaque in the middle, the corners are rounded off.
        EXPECT_EQ(qAlpha(image.pixel(size / 2, size / 2)), 255);
        EXPECT_LT(qAlpha(image.pixel(0, 0)), 255);
    }
}

} // namespace
