// SPDX-License-Identifier: MIT
#include "res/appicon.h"

#include <QDir>

QIcon AppIcon() {
    // Every size drawn for the program: a small icon shows its own drawing
    // rather than a big one scaled down.
    QIcon icon;
    const QDir icons(QStringLiteral(":/zentrix/icons"), QStringLiteral("*.png"));
    for (const QString& name : icons.entryList()) {
        icon.addFile(icons.filePath(name));
    }
    return icon;
}
