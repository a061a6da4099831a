// SPDX-License-Identifier: MIT
#include "panel/controlpaneldlg.h"

#include "core/ccore.h"
#include "core/messages.h"
#include "core/text.h"
#include "engine/domaintable.h"
#include "engine/store/resultstore.h"
#include "listwin/batchcontrol.h"
#include "listwin/dataexport.h"
#include "listwin/domainimport.h"
#include "listwin/makehtmlview.h"
#include "listwin/storedresults.h"
#include "panel/dialogtemplate.h"
#include "panel/dialogunits.h"
#include "platform/gbkqt.h"
#include "platform/mainwindow.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

namespace {

// When the last batch from the first row began (Unix seconds): a resume
// leaves out the rows answered since.
constexpr const char* kBatchBeganKey = "lastbegan";

constexpr int kStartupTimerMs = 300;

} // namespace

CControlPanelDlg::CControlPanelDlg(QWidget* parent) : QWidget(parent) {
    setObjectName(QString::number(kPanelDialogId));
    setFont(DialogFont());
    BuildTemplate();
    m_startupTimer.setSingleShot(true);
    m_startupTimer.setInterval(kStartupTimerMs);
    connect(&m_startupTimer, &QTimer::timeout, this, &CControlPanelDlg::OnStartupTimer);
}

void CControlPanelDlg::BuildTemplate() {
    const DialogBaseUnits units = PanelBaseUnits(font(), logicalDpiY());
    m_templateSize = DialogRectToPixels(QRect(0, 0, kPanelWidthDlu, kPanelHeightDlu), units).size();
    QGroupBox* group = nullptr;
    for (const DialogControl& control : kPanelTemplate) {
        const QString text = QString::fromUtf8(control.text);
        QWidget* widget = nullptr;
        switch (control.kind) {
        case ControlKind::CheckBox:
            widget = new QCheckBox(text, this);
            break;
        case ControlKind::Edit:
        case ControlKind::CenteredEdit: {
            auto* edit = new QLineEdit(text, this);
            if (control.kind == ControlKind::CenteredEdit) {
                edit->setAlignment(Qt::AlignCenter);
            }
            widget = edit;
            break;
        }
        case ControlKind::PushButton:
            widget = new QPushButton(text, this);
            static_cast<QPushButton*>(widget)->setAutoDefault(false);
            break;
        case ControlKind::GroupBox:
            group = new QGroupBox(text, this);
            widget = group;
            break;
        case ControlKind::LabelRight:
        case ControlKind::LabelLeft: {
            auto* label = new QLabel(text, this);
            label->setAlignment(
                (control.kind == ControlKind::LabelRight ? Qt::AlignRight : Qt::AlignLeft) |
                Qt::AlignVCenter);
            widget = label;
            break;
        }
        }
        widget->setObjectName(control.id >= 0 ? QString::number(control.id)
                                              : QString::fromUtf8(control.name));
        QRect rect =
            DialogRectToPixels(QRect(control.x, control.y, control.width, control.height), units);
        // A label of 8 units is one line of the template font; a fallback font
        // may be taller, so keep the line centred where the template put it.
        if (control.kind == ControlKind::LabelLeft || control.kind == ControlKind::LabelRight) {
            const int need = fontMetrics().height();
            if (rect.height() < need) {
                rect.adjust(0, -(need - rect.height()) / 2, 0,
                            need - rect.height() - (need - rect.height()) / 2);
            }
        }
        widget->setGeometry(rect);
    }
    // The frame lies behind the controls it surrounds.
    if (group != nullptr) {
        group->lower();
    }
    WidenDaysBox();

    m_redDisplay = findChild<QCheckBox*>(QString::number(IDC_RED_DISPLAY));
    m_days = findChild<QLineEdit*>(QString::number(IDC_DAYS));
    m_findEdit = findChild<QLineEdit*>(QString::number(IDC_FIND_EDIT));
    m_start = findChild<QPushButton*>(QString::number(IDC_START));
    m_import = findChild<QPushButton*>(QString::number(IDC_IMPORT));
    m_export = findChild<QPushButton*>(QString::number(IDC_EXPORT));
    m_find = findChild<QPushButton*>(QString::number(IDC_FIND_BUTTON));
    m_deleteChecked = findChild<QPushButton*>(QString::number(IDC_DELETE_CHECKED));

    connect(m_start, &QPushButton::clicked, this, &CControlPanelDlg::OnStart);
    connect(m_export, &QPushButton::clicked, this, &CControlPanelDlg::OnExport);
    connect(m_import, &QPushButton::clicked, this, &CControlPanelDlg::OnImport);
    connect(m_redDisplay, &QCheckBox::clicked, this, &CControlPanelDlg::OnRedDisplayToggle);
    // Enter or leaving the box: the list follows the days at once.
    connect(m_days, &QLineEdit::editingFinished, this, &CControlPanelDlg::OnDaysChanged);
    connect(m_find, &QPushButton::clicked, this, &CControlPanelDlg::OnFind);
    connect(m_deleteChecked, &QPushButton::clicked, this, &CControlPanelDlg::OnDeleteChecked);
}

void CControlPanelDlg::WidenDaysBox() {
    // The template's box holds three digits; five must show. The label after
    // it moves right by as much (the group has room for it).
    auto* days = findChild<QLineEdit*>(QString::number(IDC_DAYS));
    auto* label = findChild<QLabel*>(QStringLiteral("daysLabel"));
    if (days == nullptr || label == nullptr) {
        return;
    }
    const int need = DaysBoxWidthFor(*days, QStringLiteral("99999"));
    const int extra = need - days->width();
    if (extra > 0) {
        days->resize(need, days->height());
        label->move(label->x() + extra, label->y());
    }
}

int DaysBoxWidthFor(const QLineEdit& edit, const QString& text) {
    const int frame = edit.style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, &edit);
    const QMargins margins = edit.textMargins() + edit.contentsMargins();
    // Qt keeps 2 pixels between the frame and the text on either side.
    return edit.fontMetrics().horizontalAdvance(text) + 2 * 2 + 2 * frame + margins.left() +
           margins.right() + 2;
}

QSize CControlPanelDlg::sizeHint() const {
    return m_templateSize;
}

bool CControlPanelDlg::Create() {
    DomainTable& table = TheDomainTable();
    m_core = std::make_unique<CCore>();
    m_core->autoFileConfig();
    table.core = m_core.get();
    table.listFilePath = m_core->getAppPath() + "_items.txt";
    table.redDisplay = m_core->getConfigB("chkgq") ? 1 : 0;
    table.expiryDays = m_core->getConfigInt("gqts");
    if (!table.Allocate()) {
        table.core = nullptr;
        m_core.reset();
        return false;
    }
    // Once for the program's life; a store it cannot use still lets every
    // batch run (its notices come once the window is up).
    m_store = ResultStore::Open(m_core->getAppPath() + std::string(kResultStoreFileName));
    table.store = m_store.get();
    table.findCursor = 0;
    table.findText.clear();
    table.startIndex = 0;
    m_days->setText(QString::number(table.expiryDays));
    m_redDisplay->setChecked(table.redDisplay != 0);
    OnRedDisplayToggle();
    m_startupTimer.start();
    table.panelWindow = static_cast<QWidget*>(this);
    m_created = true;
    return true;
}

CControlPanelDlg::~CControlPanelDlg() {
    if (!m_created) {
        return;
    }
    // No worker may outlive the table and the core object it uses.
    CBatchControl::StopAll();
    DomainTable& table = TheDomainTable();
    if (table.panelWindow == static_cast<QWidget*>(this)) {
        table.panelWindow = nullptr;
    }
    // Commits what the last rows queued.
    table.store = nullptr;
    m_store.reset();
    table.Release();
    m_core->saveConfigB("chkgq", table.redDisplay != 0);
    m_core->saveConfigInt("gqts", table.expiryDays);
    table.core = nullptr;
    m_core.reset();
}

bool CControlPanelDlg::PreTranslateMessage(const Msg& msg) {
    if (msg.message == WM_KEYDOWN && msg.wParam == VK_RETURN && msg.hwnd == m_findEdit) {
        OnFind();
        return true;
    }
    if (msg.hwnd != this) {
        return false;
    }
    switch (msg.message) {
    case UM_PANEL_QUERY_STARTED:
        if (!m_batchRunning) { // a watch check: the panel did not start it
            SetBatchRunning(true);
        }
        break;
    case UM_PANEL_QUERY_ENDED:
        SetBatchRunning(false);
        ShowStoreNotices(this);
        break;
    case UM_PANEL_DELETE_DONE:
        DeleteRemovedRows(this);
        break;
    case UM_PANEL_START_ROWS:
        StartChosenRows();
        break;
    default:
        break;
    }
    return false;
}

void CControlPanelDlg::SetBatchRunning(bool running) {
    m_batchRunning = running;
    // While a batch runs the start button stops it.
    m_start->setText(running ? QStringLiteral("停止查询") : QStringLiteral("开始查询"));
    m_start->setEnabled(true);
    // Import and delete change the table the worker writes into.
    m_import->setEnabled(!running);
    m_deleteChecked->setEnabled(!running);
}

void CControlPanelDlg::OnStart() {
    DomainTable& table = TheDomainTable();
    if (m_core == nullptr) {
        return;
    }
    if (m_batchRunning) {
        // Stopping takes a moment (the row under way ends first); the button
        // comes back as the start button when the batch has ended.
        if (PostToMainWindow(UM_REQUEST_STOP)) {
            m_start->setEnabled(false);
        }
        return;
    }
    table.expiryDays = ParseLeadingInt(m_days->text().toStdString());
    table.redDisplay = m_redDisplay->isChecked() ? 1 : 0;
    CMakeHtmlView::RefreshAllRedDisplays();

    // The saved position belongs to one list: another list starts afresh.
    const std::string list = WorkingListIdentity(table);
    const std::string savedList = m_core->getConfigStr(kLastListKey);
    const int last = savedList.empty() || savedList == list ? m_core->getConfigInt("lastindex") : 0;
    // A resume asks the rows from the saved position on that have had no
    // answer since the stopped batch began (rows finished out of order
    // before the stop are done): rows the last batch finished, or rows
    // asked after the second it began (a row asked within that second may
    // be an earlier batch's, and is asked again).
    int start = 0;
    std::vector<int32_t> left;
    if (last > 0 && last < table.count) {
        const std::int64_t began =
            std::strtoll(m_core->getConfigStr(kBatchBeganKey).c_str(), nullptr, 10);
        for (int32_t i = last; i < table.count; ++i) {
            const bool done =
                CMakeHtmlView::FinishedInLastBatch(i) ||
                (began > 0 && table.IsFinished(i) && table.details.AskedAt(i) > began);
            if (!done) {
                left.push_back(i);
            }
        }
    }
    if (!left.empty()) {
        const QString question =
            QStringLiteral("还有 %1 个域名未查询，是否继续？点击否，从第一条执行。")
                .arg(static_cast<qsizetype>(left.size()));
        if (m_core->msgboxConfirm(this, ToGbk(question)) != CCore::IDNO) {
            start = last;
        }
    }
    ForgetDeletedRows();
    table.startIndex = start;
    table.batchRows = start > 0 ? std::move(left) : std::vector<int32_t>();
    table.batchSavesResume = true;
    if (start == 0) {
        m_core->saveConfigStr(kBatchBeganKey, std::to_string(std::time(nullptr)));
    }
    // The worker saves "lastindex" for this list.
    if (savedList != list) {
        m_core->saveConfigStr(kLastListKey, list);
    }
    if (PostToMainWindow(UM_REQUEST_QUERY)) {
        SetBatchRunning(true);
    }
}

void CControlPanelDlg::StartChosenRows() {
    DomainTable& table = TheDomainTable();
    if (m_core == nullptr || m_batchRunning || table.batchRows.empty()) {
        return;
    }
    ForgetDeletedRows();
    // Rows asked again leave the resume point of the last full batch alone.
    table.startIndex = 0;
    table.batchSavesResume = false;
    if (PostToMainWindow(UM_REQUEST_QUERY)) {
        SetBatchRunning(true);
    }
}

void CControlPanelDlg::OnExport() {
    ExportCsv(this);
}

void CControlPanelDlg::OnImport() {
    ImportDomainFile(this);
}

void CControlPanelDlg::OnRedDisplayToggle() {
    const bool checked = m_redDisplay->isChecked();
    DomainTable& table = TheDomainTable();
    table.redDisplay = checked ? 1 : 0;
    // The days as the box shows them, also when typed but not yet confirmed.
    table.expiryDays = ParseLeadingInt(m_days->text().toStdString());
    m_days->setEnabled(checked);
    CMakeHtmlView::RefreshAllRedDisplays();
}

void CControlPanelDlg::OnDaysChanged() {
    DomainTable& table = TheDomainTable();
    const int days = ParseLeadingInt(m_days->text().toStdString());
    if (days == table.expiryDays) {
        return;
    }
    table.expiryDays = days;
    CMakeHtmlView::RefreshAllRedDisplays();
}

void CControlPanelDlg::OnFind() {
    DomainTable& table = TheDomainTable();
    table.findText = ToGbk(m_findEdit->text());
    if (table.findText.empty()) {
        m_findEdit->setFocus(Qt::OtherFocusReason);
        return;
    }
    PostToMainWindow(UM_REQUEST_FIND);
}

void CControlPanelDlg::OnDeleteChecked() {
    PostToMainWindow(UM_REQUEST_DELETE);
}

void CControlPanelDlg::OnStartupTimer() {
    LoadListFile(this);
    ShowStoreNotices(this);
}
