// SPDX-License-Identifier: MIT
// zentrix: checks many domain names against the registries' WHOIS servers.

#include "res/appicon.h"
#include "shell/makehtmlapp.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setWindowIcon(AppIcon());
    // Ties the windows to the installed desktop entry (its name and icon).
    QGuiApplication::setDesktopFileName(QStringLiteral("zentrix"));
    CMakeHtmlApp theApp;
    if (!theApp.InitInstance()) {
        return 1;
    }
    return QApplication::exec();
}
