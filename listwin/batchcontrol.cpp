// SPDX-License-Identifier: MIT
#include "listwin/batchcontrol.h"

#include "engine/net/connectto.h"
#include "engine/domaintable.h"
#include "listwin/batchsettings.h"

#include <algorithm>

namespace {

// The controls alive, in the order made (user-interface thread only).
std::vector<CBatchControl*>& registry() {
    static std::vector<CBatchControl*> controls;
    return controls;
}

bool At(const auto& rows, int row) {
    return row >= 0 && static_cast<std::size_t>(row) < rows.size() &&
           rows[static_cast<std::size_t>(row)];
}

} // namespace

CBatchControl::CBatchControl(QObject* parent) : QObject(parent) {
    m_waitTimer.setInterval(kWaitCheckMs);
    connect(&m_waitTimer, &QTimer::timeout, this, &CBatchControl::CheckWait);
    registry().push_back(this);
}

CBatchControl::~CBatchControl() {
    Stop();
    std::erase(registry(), this);
}

bool CBatchControl::Start(IMessageTarget* target) {
    // A previous batch has ended (start is a stop button until then); reap it.
    m_thread.reset();
    DomainTable& table = TheDomainTable();
    auto job = std::make_unique<QueryJob>();
    job->view = target;
    job->table = table.Rows();
    job->count = table.count;
    job->details = &table.details;
    m_thread = std::make_unique<CQueryThread>(std::move(job), MakeQueryOptions());
    if (!m_thread->Start()) {
        m_thread.reset();
        return false;
    }
    m_start = table.BatchBase();
    m_asks.assign(static_cast<std::size_t>(table.count), 0);
    for (int32_t i = 0; i < table.count; ++i) {
        m_asks[static_cast<std::size_t>(i)] = table.InNextBatch(i) ? 1 : 0;
    }
    m_reportedCount = 0;
    m_changed = 0;
    m_reported.assign(static_cast<std::size_t>(table.count), false);
    m_waitTimer.start();
    return true;
}

void CBatchControl::RequestStop() {
    if (m_thread) {
        m_thread->RequestStop();
    }
}

void CBatchControl::Stop() {
    if (m_thread) {
        m_thread->RequestStop();
        m_thread->Join();
    }
}

std::string CBatchControl::End() {
    std::string error = m_thread ? m_thread->SetupError() : std::string();
    m_thread.reset();
    m_waitTimer.stop();
    emit waitingHostChanged({});
    return error;
}

QueryOptions CBatchControl::MakeQueryOptions() const {
    const DomainTable& table = TheDomainTable();
    QueryOptions options;
    options.startIndex = table.startIndex;
    options.rows = table.batchRows;
    options.saveResumePoint = table.batchSavesResume;
    options.core = table.core;
    options.store = table.store;
    options.client.connectTo = ConnectToFromEnvironment();
    options.transport = m_transport;
    if (table.core != nullptr) {
        ApplyBatchSettings(LoadBatchSettings(*table.core), options);
    }
    return options;
}

bool CBatchControl::Report(int row, int rowCount) {
    if (row < 0 || row >= rowCount) {
        return false;
    }
    if (m_reported.size() < static_cast<std::size_t>(rowCount)) {
        m_reported.resize(static_cast<std::size_t>(rowCount), false);
    }
    // A row reported twice counts once.
    if (m_reported[static_cast<std::size_t>(row)]) {
        return false;
    }
    m_reported[static_cast<std::size_t>(row)] = true;
    ++m_reportedCount;
    return true;
}

bool CBatchControl::Reported(int row) const {
    return At(m_reported, row);
}

bool CBatchControl::Asks(int row) const {
    return At(m_asks, row);
}

void CBatchControl::StopAll() {
    for (CBatchControl* control : registry()) {
        control->Stop();
    }
}

void CBatchControl::CheckWait() {
    // The worker knows which lane waits, not which row: the rows not yet
    // finished that go to that server are the ones it keeps waiting.
    QString host;
    if (m_thread) {
        const std::optional<LaneWait> wait = m_thread->LongestWait();
        if (wait && wait->left.count() > 0) {
            host = QString::fromStdString(wait->host);
        }
    }
    emit waitingHostChanged(host);
}
