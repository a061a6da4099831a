// SPDX-License-Identifier: MIT
#pragma once

// The control panel in the side bar: import, delete checked, start a batch,
// export, quick find and the two display settings. Its initialisation sets up
// the shared state (the core object, the settings, the table, the results
// store) and its destruction tears it down. It talks to the rest only by posted messages.

#include "platform/messagewindow.h"

#include <QTimer>
#include <QWidget>
#include <memory>

class CCore;
class ResultStore;
class QCheckBox;
class QLineEdit;
class QPushButton;

class CControlPanelDlg final : public QWidget, public CMessageWindow {
    Q_OBJECT
public:
    // Builds the controls of template 132 (hidden until the host shows it).
    explicit CControlPanelDlg(QWidget* parent = nullptr);
    // Saves the two settings, releases the table and the core object.
    ~CControlPanelDlg() override;

    // The dialog's initialisation; false when the table cannot be allocated.
    bool Create();
    bool PreTranslateMessage(const Msg& msg) override;

    // Starts a batch, or stops the one that runs ("停止查询").
    void OnStart();
    void OnExport();
    void OnImport();
    void OnRedDisplayToggle();
    // The days box was confirmed (Enter, or the focus left it).
    void OnDaysChanged();
    void OnFind();
    void OnDeleteChecked();

    [[nodiscard]] QSize sizeHint() const override;
    [[nodiscard]] bool isBatchRunning() const { return m_batchRunning; }

private:
    void BuildTemplate();
    void OnStartupTimer();
    // Starts a batch over table.batchRows (UM_PANEL_START_ROWS).
    void StartChosenRows();
    void SetBatchRunning(bool running);
    void WidenDaysBox();

    std::unique_ptr<CCore> m_core;
    std::unique_ptr<ResultStore> m_store;
    QCheckBox* m_redDisplay = nullptr;
    QLineEdit* m_days = nullptr;
    QLineEdit* m_findEdit = nullptr;
    QPushButton* m_start = nullptr;
    QPushButton* m_import = nullptr;
    QPushButton* m_export = nullptr;
    QPushButton* m_find = nullptr;
    QPushButton* m_deleteChecked = nullptr;
    QSize m_templateSize;
    QTimer m_startupTimer;
    bool m_created = false;
    bool m_batchRunning = false;
};

// The width a line edit needs to show `text` whole.
[[nodiscard]] int DaysBoxWidthFor(const QLineEdit& edit, const QString& text);
