// SPDX-License-Identifier: MIT
#pragma once

// The options dialog ("选项"): how a batch asks the registries. Queries open
// at once in all and to one server, the least time between two queries to
// one server, and the protocol. Saved in zentrix.ini when the user confirms;
// the next batch starts with them.

#include "listwin/batchsettings.h"

#include <QDialog>

class CCore;
class QComboBox;
class QSpinBox;

class CBatchOptionsDlg final : public QDialog {
    Q_OBJECT
public:
    // Shows the settings `core` holds; OK saves them there.
    explicit CBatchOptionsDlg(CCore& core, QWidget* parent = nullptr);

    [[nodiscard]] BatchSettings settings() const;
    void setSettings(const BatchSettings& settings);

    void accept() override;

private:
    CCore& m_core;
    QSpinBox* m_jobs = nullptr;
    QSpinBox* m_perHost = nullptr;
    QSpinBox* m_interval = nullptr;
    QComboBox* m_protocol = nullptr;
};
