// SPDX-License-Identifier: MIT
#pragma once

// Desktop notifications through the freedesktop notification service
// (org.freedesktop.Notifications on the session bus). Asynchronous: Notify
// returns at once, and delivered() or failed() follows; a click on the
// notification (its "default" action) comes back as activated().

#include <QDBusConnection>
#include <QObject>
#include <QString>

class QDBusPendingCallWatcher;

class CDesktopNotifier final : public QObject {
    Q_OBJECT
public:
    static constexpr const char* kService = "org.freedesktop.Notifications";
    static constexpr const char* kPath = "/org/freedesktop/Notifications";
    static constexpr int kCallTimeoutMs = 5000;

    // `bus`: the session bus; tests pass a private one.
    explicit CDesktopNotifier(const QDBusConnection& bus, QObject* parent = nullptr);

    // Shows one notification; it replaces the one shown before, if any.
    void Notify(const QString& summary, const QString& body);
    // The id the service gave the latest notification; 0 before one.
    [[nodiscard]] uint lastId() const { return m_lastId; }

signals:
    void delivered(uint id);
    // No service, no bus, or the service refused: the system's reason.
    void failed(const QString& reason);
    // The user clicked the latest notification.
    void activated();

private slots:
    // Signals of the service, connected by name (QtDBus connects that way).
    void OnActionInvoked(uint id, const QString& action);

private:
    void OnReply(QDBusPendingCallWatcher* watcher);

    QDBusConnection m_bus;
    uint m_lastId = 0;
};
