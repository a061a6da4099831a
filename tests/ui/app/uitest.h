// SPDX-License-Identifier: MIT
#pragma once

// Helpers of the desktop program's widget tests: waiting on a condition with
// a deadline while the event loop runs, a temporary program folder, files as
// bytes, and a main window that records what is posted to it.

#include "platform/messagewindow.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>

#include <chrono>
#include <ostream>
#include <string>
#include <vector>

// QStrings in test failures as text, not as UTF-16 units.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

// Runs the event loop until `done()` holds; false at the deadline.
template <class Predicate>
bool WaitUntil(Predicate done, std::chrono::milliseconds timeout = std::chrono::seconds(10)) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    QTimer tick; // wakes the loop so the deadline is seen
    tick.start(5);
    while (!done()) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

// Delivers everything posted so far, including what those deliveries post.
void DrainPostedMessages();

// A fresh program folder for one test (ZENTRIX_HOME), removed afterwards.
class TempHome {
public:
    TempHome();
    ~TempHome();
    [[nodiscard]] std::string path() const; // ends in '/'
    [[nodiscard]] std::string file(const std::string& name) const { return path() + name; }

private:
    QTemporaryDir m_dir;
    QByteArray m_previous;
    bool m_hadPrevious;
};

void WriteBytes(const std::string& path, const std::string& bytes);
[[nodiscard]] std::string ReadBytes(const std::string& path);
// The value of `key` in zentrix.ini of `home`, read the way the next start reads it.
[[nodiscard]] int SavedInt(const std::string& key);
[[nodiscard]] bool SavedFlag(const std::string& key);

// A window that records the messages aimed at it and forwards nothing; by
// default it stands in as the main window.
class RecordingMainWindow final : public QWidget, public CMessageWindow {
public:
    struct Posted {
        unsigned message;
        std::intptr_t lParam;
    };
    explicit RecordingMainWindow(bool isMainWindow = true);
    ~RecordingMainWindow() override;
    bool PreTranslateMessage(const Msg& msg) override;
    [[nodiscard]] int Count(unsigned message) const;
    [[nodiscard]] std::vector<std::intptr_t> LParams(unsigned message) const;
    std::vector<Posted> posted;
};
