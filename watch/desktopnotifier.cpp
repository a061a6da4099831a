// SPDX-License-Identifier: MIT
#include "watch/desktopnotifier.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QStringList>
#include <QVariantMap>

namespace {

const QString kInterface = QString::fromLatin1(CDesktopNotifier::kService);

} // namespace

CDesktopNotifier::CDesktopNotifier(const QDBusConnection& bus, QObject* parent)
    : QObject(parent), m_bus(bus) {
    if (m_bus.isConnected()) {
        m_bus.connect(QString::fromLatin1(kService), QString::fromLatin1(kPath), kInterface,
                      QStringLiteral("ActionInvoked"), this, SLOT(OnActionInvoked(uint, QString)));
    }
}

void CDesktopNotifier::Notify(const QString& summary, const QString& body) {
    if (!m_bus.isConnected()) {
        const QString reason = m_bus.lastError().isValid() ? m_bus.lastError().message()
                                                           : QStringLiteral("没有会话总线");
        QMetaObject::invokeMethod(
            this, [this, reason] { emit failed(reason); }, Qt::QueuedConnection);
        return;
    }
    QDBusMessage call =
        QDBusMessage::createMethodCall(QString::fromLatin1(kService), QString::fromLatin1(kPath),
                                       kInterface, QStringLiteral("Notify"));
    QVariantMap hints;
    hints.insert(QStringLiteral("desktop-entry"), QStringLiteral("zentrix"));
    hints.insert(QStringLiteral("urgency"), QVariant::fromValue<uchar>(1)); // normal
    call << QStringLiteral("zentrix") << m_lastId << QStringLiteral("zentrix") << summary << body
         << QStringList{QStringLiteral("default"), QStringLiteral("显示这些域名")} << hints
         << -1; // the service's own time-out
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call, kCallTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, &CDesktopNotifier::OnReply);
}

void CDesktopNotifier::OnReply(QDBusPendingCallWatcher* watcher) {
    const QDBusPendingReply<uint> reply = *watcher;
    watcher->deleteLater();
    if (reply.isError()) {
        emit failed(reply.error().message());
        return;
    }
    m_lastId = reply.value();
    emit delivered(m_lastId);
}

void CDesktopNotifier::OnActionInvoked(uint id, const QString& action) {
    if (id != 0 && id == m_lastId && action == QStringLiteral("default")) {
        emit activated();
    }
}
