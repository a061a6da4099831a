// SPDX-License-Identifier: MIT
#include "platform/qttranslations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

bool InstallChineseTranslations(QCoreApplication& app) {
    const QLocale chinese(QLocale::Chinese, QLocale::China);
    QLocale::setDefault(chinese);
    // Once per application: a second call finds the translator in place.
    if (app.findChild<QTranslator*>(QStringLiteral("qtChineseTranslator"),
                                    Qt::FindDirectChildrenOnly) != nullptr) {
        return true;
    }
    auto* translator = new QTranslator(&app);
    translator->setObjectName(QStringLiteral("qtChineseTranslator"));
    // qtbase holds the widgets' texts (Debian: qt6-translations-l10n).
    if (!translator->load(chinese, QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    QCoreApplication::installTranslator(translator);
    return true;
}
