// zentrix: checks many domain names against the registries' WHOIS servers.

#include "shell/makehtmlapp.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    CMakeHtmlApp theApp;
    if (!theApp.InitInstance()) {
        return 1;
    }
    return QApplication::exec();
}
