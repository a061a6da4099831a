// SPDX-License-Identifier: MIT
#include "platform/pretranslatefilter.h"

#include "platform/mainwindow.h"
#include "platform/messagewindow.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

void CPreTranslateFilter::Install() {
    auto* app = QCoreApplication::instance();
    if (app == nullptr ||
        app->findChild<CPreTranslateFilter*>(QString(), Qt::FindDirectChildrenOnly)) {
        return;
    }
    app->installEventFilter(new CPreTranslateFilter(app));
}

bool CPreTranslateFilter::Walk(const Msg& msg) {
    QWidget* mainWindow = MainWindow();
    bool reachedMain = false;
    for (QWidget* w = msg.hwnd; w != nullptr; w = w->parentWidget()) {
        if (auto* receiver = dynamic_cast<CMessageWindow*>(w)) {
            if (receiver->PreTranslateMessage(msg)) {
                return true;
            }
        }
        if (w == mainWindow) {
            reachedMain = true;
            break;
        }
    }
    if (!reachedMain && mainWindow != nullptr && msg.hwnd != nullptr) {
        if (auto* receiver = dynamic_cast<CMessageWindow*>(mainWindow)) {
            return receiver->PreTranslateMessage(msg);
        }
    }
    return false;
}

bool CPreTranslateFilter::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == PostedMessageEvent::eventType()) {
        auto* target = qobject_cast<QWidget*>(watched);
        const auto* posted = static_cast<PostedMessageEvent*>(event);
        if (target != nullptr) {
            Walk(Msg{target, posted->message(), posted->wParam(), posted->lParam()});
        }
        // Nothing past the walk handles these numbers.
        return true;
    }
    if (event->type() == PostedQueueEvent::eventType()) {
        // Each queued message takes the walk, in the order it was posted.
        if (qobject_cast<QWidget*>(watched) != nullptr) {
            for (const Msg& msg : static_cast<PostedQueueEvent*>(event)->queue().Take()) {
                Walk(msg);
            }
        }
        return true;
    }
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        // A key press travels up the parents when ignored; walk it once, at the
        // widget that has the focus.
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
            watched == QApplication::focusWidget()) {
            return Walk(Msg{static_cast<QWidget*>(watched), WM_KEYDOWN, VK_RETURN, 0});
        }
    }
    return QObject::eventFilter(watched, event);
}
