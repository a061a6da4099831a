#include "engine/querythread.h"

#include <algorithm>
#include <cstring>
#include <system_error>

#include "core/ccore.h"
#include "core/messages.h"
#include "core/messagetarget.h"
#include "engine/domainquery.h"
#include "engine/internetsession.h"

CQueryThread::CQueryThread(std::unique_ptr<QueryJob> job, QueryOptions options)
    : m_job(std::move(job)), m_options(std::move(options)) {
    if (m_job) {
        m_job->thread = this;
    }
}

CQueryThread::~CQueryThread() {
    RequestStop();
    Join();
    CloseSession();
}

bool CQueryThread::Start() {
    if (m_thread.joinable() || !m_job) {
        return false;
    }
    m_running.store(true);
    try {
        m_thread = std::thread([this] { ThreadMain(); });
    } catch (const std::system_error&) {
        m_running.store(false);
        return false;
    }
    return true;
}

void CQueryThread::RequestStop() {
    m_stop.store(true);
}

void CQueryThread::Join() {
    if (!m_thread.joinable()) {
        return;
    }
    if (m_thread.get_id() == std::this_thread::get_id()) {
        m_thread.detach(); // called from the batch itself: it is ending anyway
        return;
    }
    m_thread.join();
}

bool CQueryThread::IsRunning() const {
    return m_running.load();
}

void CQueryThread::ThreadMain() {
    RunBatch();
    m_running.store(false);
}

int CQueryThread::RunBatch() {
    if (m_job) {
        m_table = m_job->table;
        m_count = m_job->count;
        m_view = m_job->view;
    }
    if (OpenSession() == 0) {
        if (m_view != nullptr) {
            m_view->PostMessage(UM_WORKER_EXIT, 0, -1);
        }
        return 0;
    }
    QueryAll();
    CloseSession();
    if (m_view != nullptr) {
        m_view->PostMessage(UM_WORKER_EXIT, 0, 0);
    }
    return 1;
}

void CQueryThread::QueryAll() {
    if (m_table == nullptr) {
        return;
    }
    // A negative start index would address memory before the block.
    for (int32_t index = std::max<int32_t>(m_options.startIndex, 0); index < m_count; ++index) {
        if (m_stop.load()) {
            return;
        }
        QueryDomain(index);
        if (!m_rowFinished) {
            return; // stopped inside the row: it is not counted as finished
        }
        if (m_options.core != nullptr) {
            m_options.core->saveConfigInt("lastindex", index);
        }
        if (m_view != nullptr) {
            m_view->PostMessage(UM_ROW_DONE, 0, index + 1);
        }
    }
}

void CQueryThread::QueryDomain(int32_t index) {
    m_rowFinished = false;
    if (m_table == nullptr || index < 0 || index >= m_count) {
        return;
    }
    m_currentIndex.store(index);
    DomainRecord& row = m_table[index];
    m_currentDomain.assign(row.domain, strnlen(row.domain, sizeof row.domain));

    // Work on a copy and write it back whole, so a query cut short by a stop
    // request leaves the row exactly as it was.
    DomainRecord result;
    std::memcpy(&result, &row, sizeof row);
    RowOutcome outcome =
        QueryRow(result, [this](const std::string& server, const std::string&, QueryHop hop) {
            return QueryWhoisServer(server, hop);
        });
    if (m_stop.load()) {
        return;
    }
    std::memcpy(&row, &result, sizeof row);
    if (m_job && m_job->details != nullptr) {
        m_job->details->Set(index, std::move(outcome));
    }
    m_rowFinished = true;
}

std::string CQueryThread::QueryWhoisServer(const std::string& server, QueryHop hop) {
    if (m_options.transport) {
        return m_options.transport(server, m_currentDomain, hop);
    }
    WhoisClientOptions client = m_options.client;
    client.publicAddressesOnly = hop == QueryHop::Referral;
    return ::WhoisQuery(server, m_currentDomain, client, &m_stop);
}

int CQueryThread::OpenSession() {
    auto session = std::make_unique<CInternetSession>();
    if (!session->Open()) {
        m_session.reset();
        return 0;
    }
    m_session = std::move(session);
    return 1;
}

int CQueryThread::CloseSession() {
    if (m_session) {
        m_session->Close();
        m_session.reset();
    }
    return 1;
}

void CQueryThread::SetSessionFailsForTesting(bool fails) {
    CInternetSession::SetFailsForTesting(fails);
}
