// SPDX-License-Identifier: MIT
// Qt's own texts in Chinese whatever the locale: this suite runs under the
// C locale (LC_ALL=C), where Qt would otherwise speak English.

#include "platform/qttranslations.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <gtest/gtest.h>

namespace {

QStringList ButtonTexts(const QWidget& dialog) {
    QStringList texts;
    for (const QDialogButtonBox* box : dialog.findChildren<QDialogButtonBox*>()) {
        for (const QAbstractButton* button : box->buttons()) {
            texts << button->text();
        }
    }
    return texts;
}

TEST(ChineseTest, QtsButtonsAndDialogsSpeakChineseUnderTheCLocale) {
    ASSERT_EQ(QLocale::system().name(), QStringLiteral("C"));
    ASSERT_TRUE(InstallChineseTranslations(*QCoreApplication::instance()));
    EXPECT_EQ(QLocale().language(), QLocale::Chinese);

    QMessageBox question(QMessageBox::Question, QString(), QStringLiteral("?"),
                         QMessageBox::Yes | QMessageBox::No);
    EXPECT_EQ(question.button(QMessageBox::Yes)->text(), QStringLiteral("是(&Y)"));
    EXPECT_EQ(question.button(QMessageBox::No)->text(), QStringLiteral("否(&N)"));
    QMessageBox info(QMessageBox::Information, QString(), QStringLiteral("!"), QMessageBox::Ok);
    EXPECT_EQ(info.button(QMessageBox::Ok)->text(), QStringLiteral("确定"));

    QFileDialog open(nullptr);
    open.setOption(QFileDialog::DontUseNativeDialog);
    open.setAcceptMode(QFileDialog::AcceptOpen);
    EXPECT_EQ(ButtonTexts(open), (QStringList{"打开(&O)", "取消"}));
    QFileDialog save(nullptr);
    save.setOption(QFileDialog::DontUseNativeDialog);
    save.setAcceptMode(QFileDialog::AcceptSave);
    EXPECT_EQ(ButtonTexts(save), (QStringList{"保存(&S)", "取消"}));
    // The question before a file is replaced.
    EXPECT_EQ(QFileDialog::tr("%1 already exists.\nDo you want to replace it?"),
              QStringLiteral("%1 已存在。\n您想要替换它吗？"));

    EXPECT_TRUE(InstallChineseTranslations(*QCoreApplication::instance())); // once is enough
}

} // namespace
