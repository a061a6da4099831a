// SPDX-License-Identifier: MIT
#pragma once

// Qt's own texts (message-box buttons, file dialogs, edit menus) in Chinese
// whatever the system locale: the whole interface is Chinese.

class QCoreApplication;

// Installs Qt's zh_CN translations on the application and makes Chinese the
// default locale; false when the translation files cannot be found (Qt's
// texts then stay in English, the program's own are Chinese anyway).
bool InstallChineseTranslations(QCoreApplication& app);
