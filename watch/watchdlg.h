// SPDX-License-Identifier: MIT
#pragma once

// "工具 > 监视…": whether the working list is watched, every how many days
// it is checked again, and within how many days an expiry is worth an
// alert. Changes of a name (registered, released, renewed, transferred, new
// owner) always raise one.

#include "watch/watchsettings.h"

#include <QDialog>

class QCheckBox;
class QLabel;
class QSpinBox;

class CWatchDlg final : public QDialog {
    Q_OBJECT
public:
    // `nextCheck`: Unix seconds of the next check while the watch is on; 0: none.
    CWatchDlg(const WatchSettings& settings, std::int64_t nextCheck, QWidget* parent = nullptr);

    // The settings as the dialog shows them; the last check stays as given.
    [[nodiscard]] WatchSettings settings() const;

private:
    void UpdateEnabled();

    WatchSettings m_settings;
    QCheckBox* m_enabled = nullptr;
    QSpinBox* m_everyDays = nullptr;
    QSpinBox* m_alertDays = nullptr;
};

// "2026-12-14 09:30", local time.
[[nodiscard]] QString WatchTimeText(std::int64_t unixSeconds);
