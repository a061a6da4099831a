// SPDX-License-Identifier: MIT
#include "uitest.h"

#include "core/ccore.h"
#include "platform/mainwindow.h"

#include <QCoreApplication>
#include <fstream>
#include <iterator>
#include <stdexcept>

void DrainPostedMessages() {
    // A delivery may post again (frame -> view -> frame); a few rounds settle it.
    for (int round = 0; round < 8; ++round) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }
}

TempHome::TempHome()
    : m_previous(qgetenv("ZENTRIX_HOME")),
      m_hadPrevious(qEnvironmentVariableIsSet("ZENTRIX_HOME")) {
    if (!m_dir.isValid()) {
        throw std::runtime_error("no temporary folder");
    }
    qputenv("ZENTRIX_HOME", m_dir.path().toLocal8Bit());
}

TempHome::~TempHome() {
    if (m_hadPrevious) {
        qputenv("ZENTRIX_HOME", m_previous);
    } else {
        qunsetenv("ZENTRIX_HOME");
    }
}

std::string TempHome::path() const {
    return m_dir.path().toStdString() + "/";
}

void WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

int SavedInt(const std::string& key) {
    CCore core;
    core.autoFileConfig();
    return core.getConfigInt(key);
}

bool SavedFlag(const std::string& key) {
    CCore core;
    core.autoFileConfig();
    return core.getConfigB(key);
}

RecordingMainWindow::RecordingMainWindow(bool isMainWindow) {
    if (isMainWindow) {
        SetMainWindow(this);
    }
}

RecordingMainWindow::~RecordingMainWindow() {
    if (MainWindow() == this) {
        SetMainWindow(nullptr);
    }
}

bool RecordingMainWindow::PreTranslateMessage(const Msg& msg) {
    if (msg.hwnd == this) {
        posted.push_back({msg.message, msg.lParam});
    }
    return false;
}

int RecordingMainWindow::Count(unsigned message) const {
    int n = 0;
    for (const Posted& p : posted) {
        n += p.message == message ? 1 : 0;
    }
    return n;
}

std::vector<std::intptr_t> RecordingMainWindow::LParams(unsigned message) const {
    std::vector<std::intptr_t> values;
    for (const Posted& p : posted) {
        if (p.message == message) {
            values.push_back(p.lParam);
        }
    }
    return values;
}
