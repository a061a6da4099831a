// SPDX-License-Identifier: MIT
#include "engine/batch/querythread.h"

#include <algorithm>
#include <cstring>
#include <ctime>
#include <system_error>

#include "core/ccore.h"
#include "core/messages.h"
#include "core/messagetarget.h"
#include "engine/batch/batchprotocols.h"
#include "engine/batch/rdaplanes.h"
#include "engine/batch/rowquery.h"
#include "engine/batch/whoislanes.h"
#include "engine/failreason.h"
#include "engine/net/hostlookup.h"
#include "engine/net/internetsession.h"
#include "engine/store/resultstore.h"
#include "engine/storedrow.h"

namespace {

using Clock = std::chrono::steady_clock;

// No single wait is longer than this, so a stop request is seen in time
// even if a wake-up were missed.
constexpr auto kWaitSlice = std::chrono::milliseconds(250);

// An extra question's whole time: its own limit, unless a shorter one was set.
int ExtraTimeoutMs(int asked, int extra) {
    if (extra <= 0) {
        return asked;
    }
    return asked > 0 ? std::min(asked, extra) : extra;
}

} // namespace

// What one row's questions share: the domain asked, the lane place its
// first question was given when the row was started, and where it counts in
// the row queue.
struct CQueryThread::RowWork {
    std::string domain;
    std::size_t exit = 0;     // the exit the row's questions leave by
    std::string admittedHost; // HostKey form; empty: no place taken
    bool admissionUsed = false;
    bool queued = false;  // taken from the row queue (not QueryDomain's own row)
    std::string group;    // its group there
    bool inExtra = false; // counted among the group's rows in extra questions
};

int ExtraRowsPerRegistry(int perHost, int jobs) {
    perHost = std::max(perHost, 1);
    jobs = std::max(jobs, 1);
    // At least one worker stays free for the other registries' rows.
    return std::max(0, std::min(std::max(4 * perHost, jobs / 2), jobs - 1 - 2 * perHost));
}

CQueryThread::CQueryThread(std::unique_ptr<QueryJob> job, QueryOptions options)
    : m_job(std::move(job)), m_options(std::move(options)),
      // Read here, on the caller's thread: the environment and the core's
      // folder as they are when the batch is made.
      m_setup(std::make_unique<BatchProtocolSetup>(ProtocolSetupFor(m_options))),
      m_exits(ExitsFor(m_options.proxies, m_options.sourceAddresses)),
      m_exitHealth(std::make_unique<ExitHealth>(m_exits.size())) {
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
    Wake();
}

void CQueryThread::Wake() {
    std::lock_guard lock(m_mutex);
    m_changed.notify_all();
    if (m_lanes) {
        m_lanes->Wake();
    }
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
    try {
        RunBatch();
    } catch (...) {
        // Nothing may leave the thread; the view must still hear the end.
        if (m_view != nullptr) {
            m_view->PostMessage(UM_WORKER_EXIT, 0, 0);
        }
    }
    m_running.store(false);
}

int CQueryThread::RunBatch() {
    if (m_job) {
        m_table = m_job->table;
        m_count = m_job->count;
        m_stream = m_job->stream;
        m_view = m_job->view;
    }
    if (OpenSession() == 0 || !OpenProtocols()) {
        CloseSession();
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

bool CQueryThread::OpenProtocols() {
    if (m_protocols) {
        return true;
    }
    m_protocols = BatchProtocols::Open(*m_setup, &m_stop, m_setupError);
    return m_protocols != nullptr;
}

RowQueryContext CQueryThread::Context() const {
    RowQueryContext context;
    context.protocol = m_options.protocol;
    context.bootstrap = m_protocols->bootstrap();
    context.iana = &m_protocols->iana();
    context.stop = &m_stop;
    return context;
}

void CQueryThread::QueryAll() {
    if (m_table == nullptr || !OpenProtocols()) {
        return;
    }
    // A negative start index would address memory before the block.
    const int32_t first = std::max<int32_t>(m_options.startIndex, 0);
    const RowQueryContext context = Context();
    std::vector<char> unlisted;
    if (!m_options.rows.empty()) {
        unlisted.assign(static_cast<std::size_t>(std::max(m_count, 0)), 1);
        for (const int32_t index : m_options.rows) {
            if (index >= 0 && index < m_count) {
                unlisted[static_cast<std::size_t>(index)] = 0;
            }
        }
    }
    const auto skipped = [this, &unlisted](int32_t index) {
        const auto at = static_cast<std::size_t>(index);
        return (at < m_options.skipRows.size() && m_options.skipRows[at] != 0) ||
               (at < unlisted.size() && unlisted[at] != 0);
    };
    // A streaming job's rows come later, through AddRows.
    std::vector<RowQueue::Row> rows;
    for (int32_t index = first; index < m_count && !m_stream; ++index) {
        if (!skipped(index)) {
            rows.push_back(QueueRowOf(index, context));
        }
    }

    LaneRules rules;
    rules.perHost = std::max(m_options.perHost, 1);
    rules.interval = std::chrono::milliseconds(std::max(m_options.hostIntervalMs, 0));
    rules.firstBackoff = std::chrono::milliseconds(std::max(m_options.backoffMs, 0));
    rules.maxBackoff = std::chrono::milliseconds(std::max(m_options.maxBackoffMs, 0));
    {
        std::lock_guard lock(m_mutex);
        // A lane that may admit again wakes a worker waiting for one (which
        // wakes the next when it found a row: see NextRow).
        m_lanes = std::make_unique<HostLanes>(rules, &m_stop, [this] {
            std::lock_guard wake(m_mutex);
            m_changed.notify_one();
        });
        m_lookups = std::make_unique<HostLookupCache>();
        // Two rows under way per place: the next registry question may start
        // while a row's referral is asked.
        m_queue = std::make_unique<RowQueue>(rows, 2 * rules.perHost,
                                             ExtraRowsPerRegistry(rules.perHost, m_options.jobs));
        m_queue->SetExits(m_exits.size(),
                          [this](std::size_t exit) { return m_exitHealth->Usable(exit); });
        m_first = first;
        if (m_stream) {
            m_finished.clear(); // the caller follows a stream's rows
        } else {
            m_finished.assign(static_cast<std::size_t>(std::max(m_count - first, 0)), 0);
        }
        for (std::size_t at = 0; at < m_finished.size(); ++at) {
            m_finished[at] = skipped(first + static_cast<int32_t>(at)) ? 1 : 0;
        }
        m_firstUnfinished = first;
        while (!m_stream && m_firstUnfinished < m_count &&
               m_finished[static_cast<std::size_t>(m_firstUnfinished - first)] != 0) {
            ++m_firstUnfinished;
        }
    }
    rows.clear();

    // This thread is one of the workers; the others are started here. A
    // thread that cannot be started leaves the batch with fewer workers.
    std::vector<std::thread> helpers;
    const int jobs =
        std::clamp(std::min(m_options.jobs, kMaxJobs), 1, std::max(m_count - first, 1));
    for (int n = 1; n < jobs; ++n) {
        try {
            helpers.emplace_back([this] { WorkerLoop(); });
        } catch (const std::system_error&) {
            break;
        }
    }
    WorkerLoop();
    for (std::thread& helper : helpers) {
        helper.join();
    }

    std::lock_guard lock(m_mutex);
    m_queue.reset();
    m_lanes.reset();
    m_lookups.reset();
}

RowQueue::Row CQueryThread::QueueRowOf(int32_t index, const RowQueryContext& context) const {
    const DomainRecord& row = m_table[SlotOf(index)];
    if (m_options.firstHost) {
        return {index, m_options.firstHost(row), {}};
    }
    FirstQuestion question = FirstQuestionOf(row, context);
    return {index, std::move(question.host), std::move(question.group)};
}

int32_t CQueryThread::SlotOf(int32_t index) const {
    return m_stream && m_count > 0 ? index % m_count : index;
}

void CQueryThread::AddRows(const std::vector<int32_t>& rows) {
    std::lock_guard lock(m_mutex);
    m_added.insert(m_added.end(), rows.begin(), rows.end());
    m_changed.notify_all();
}

void CQueryThread::CloseRows() {
    std::lock_guard lock(m_mutex);
    m_closed = true;
    m_changed.notify_all();
}

void CQueryThread::QueueAddedRows() {
    if (m_added.empty()) {
        return;
    }
    const RowQueryContext context = Context();
    for (const int32_t index : m_added) {
        m_queue->Add(QueueRowOf(index, context));
    }
    m_added.clear();
}

std::optional<RowQueue::Row> CQueryThread::NextRow() {
    std::unique_lock lock(m_mutex);
    for (;;) {
        if (m_stop.load() || !m_queue) {
            return std::nullopt;
        }
        if (m_stream) {
            QueueAddedRows();
        }
        if (m_queue->Empty()) {
            if (!m_stream || m_closed) {
                return std::nullopt;
            }
            // More rows may come: AddRows and CloseRows wake this wait.
            m_changed.wait_until(lock, Clock::now() + kWaitSlice);
            continue;
        }
        Clock::time_point wakeAt;
        if (auto row = m_queue->TakeReady(*m_lanes, wakeAt)) {
            // There may be more: let another idle worker look. One wake-up per
            // change instead of all of them keeps a single busy lane cheap.
            m_changed.notify_one();
            return row;
        }
        const auto now = Clock::now();
        m_changed.wait_until(lock, std::min(wakeAt, now + kWaitSlice));
    }
}

void CQueryThread::WorkerLoop() {
    for (;;) {
        try {
            const auto next = NextRow();
            if (!next) {
                return;
            }
            RowWork work;
            work.exit = next->exit;
            work.admittedHost = next->host;
            work.queued = true;
            work.group = next->group;
            const bool finished = RunRow(next->index, work);
            {
                std::lock_guard lock(m_mutex);
                m_queue->Finished(next->group, work.inExtra);
                m_changed.notify_one();
            }
            if (finished) {
                FinishRow(next->index);
            }
        } catch (...) {
            // Out of memory in the bookkeeping: this worker ends, the others
            // go on, and the rows it left stay unfinished for a resume.
            return;
        }
    }
}

bool CQueryThread::QueryDomain(int32_t index) {
    RowWork work;
    return OpenProtocols() && RunRow(index, work);
}

bool CQueryThread::RunRow(int32_t index, RowWork& work) {
    if (m_table == nullptr || index < 0 || (!m_stream && index >= m_count) || m_count <= 0 ||
        !m_protocols) {
        return false;
    }
    DomainRecord& row = m_table[SlotOf(index)];
    work.domain.assign(FieldText(row.domain));
    if (work.exit >= m_exits.size()) {
        work.exit = 0;
    }

    // Work on a copy and write it back whole, so a query cut short by a stop
    // request leaves the row exactly as it was.
    DomainRecord result;
    std::memcpy(&result, &row, sizeof row);
    RowOutcome outcome;
    try {
        RowQuestions questions;
        questions.whois = [&](const std::string& server, const std::string& domain, QueryHop hop) {
            return QueryWhoisServer(server, domain, hop, work);
        };
        questions.rdap = [&](const RdapRequest& request) { return FetchRdap(request, work); };
        outcome = QueryRowByProtocol(result, Context(), questions);
        // An exit whose proxy failed is out of use for a while; the row is
        // asked again through another one, while one is left.
        std::size_t other = 0;
        while (outcome.reason == FailReason::ProxyFailed && !m_stop.load()) {
            m_exitHealth->MarkFailed(work.exit);
            if (!m_exitHealth->Other(work.exit, other)) {
                break;
            }
            if (!work.admittedHost.empty() && !work.admissionUsed && m_lanes) {
                m_lanes->Cancel(work.admittedHost);
            }
            work.admittedHost.clear();
            work.exit = other;
            std::memcpy(&result, &row, sizeof row);
            outcome = QueryRowByProtocol(result, Context(), questions);
        }
    } catch (...) {
        // A fault in one row's query ends that row, not the batch.
        std::memcpy(&result, &row, sizeof row);
        result.status = Error;
        outcome = RowOutcome{};
        outcome.reason = FailReason::Internal;
    }
    if (!work.admittedHost.empty() && !work.admissionUsed && m_lanes) {
        m_lanes->Cancel(work.admittedHost);
    }
    if (m_stop.load()) {
        return false;
    }
    // When the row finished; the stored check and the details say the same.
    outcome.askedAt = static_cast<std::int64_t>(std::time(nullptr));
    // Made before the outcome moves into the details; queued after, so the
    // store never holds a row the details do not (Add only queues it).
    std::optional<StoredCheck> check;
    if (m_options.store != nullptr) {
        try {
            check = CheckOfRow(result, outcome, outcome.askedAt);
        } catch (...) {
            // Out of memory for the copy: the row stands, only its history lacks it.
        }
    }
    std::memcpy(&row, &result, sizeof row);
    if (m_job && m_job->details != nullptr) {
        m_job->details->Set(SlotOf(index), std::move(outcome));
    }
    if (check) {
        m_options.store->Add(std::move(*check));
    }
    return true;
}

void CQueryThread::EnterExtra(RowWork& work) {
    if (!work.queued || work.inExtra) {
        return;
    }
    std::lock_guard lock(m_mutex);
    // While the group's rows in extra questions are at their limit, the row
    // keeps its place among the rows under way: the registry's lane then
    // slows to what its registrars can take.
    if (m_queue && m_queue->StartExtra(work.group)) {
        work.inExtra = true;
        // Its place among the rows under way is free for the group's next row.
        m_changed.notify_one();
    }
}

void CQueryThread::FinishRow(int32_t index) {
    int32_t save = -1;
    if (!m_stream) {
        std::lock_guard lock(m_mutex);
        const auto slot = static_cast<std::size_t>(index - m_first);
        if (slot < m_finished.size()) {
            m_finished[slot] = 1;
        }
        const int32_t before = m_firstUnfinished;
        while (m_firstUnfinished < m_count &&
               m_finished[static_cast<std::size_t>(m_firstUnfinished - m_first)] != 0) {
            ++m_firstUnfinished;
        }
        if (m_firstUnfinished != before) {
            save = m_firstUnfinished;
        }
    }
    if (save >= 0 && m_options.core != nullptr && m_options.saveResumePoint) {
        // Saves from several workers may cross: only a later position is written.
        std::lock_guard lock(m_saveMutex);
        if (save > m_savedIndex) {
            m_options.core->saveConfigInt("lastindex", save);
            m_savedIndex = save;
        }
    }
    if (m_view != nullptr) {
        m_view->PostMessage(UM_ROW_DONE, 0, index);
    }
}

bool CQueryThread::TakeAdmission(const std::string& host, RowWork& work) {
    if (work.admissionUsed || work.admittedHost.empty() || !m_lanes) {
        return false;
    }
    work.admissionUsed = true;
    if (HostKey(ExitLaneKey(work.exit, host)) == work.admittedHost) {
        return true;
    }
    // The row's first question goes elsewhere (its RDAP server is down, its
    // TLD's server became known): the place is given back at once.
    m_lanes->Cancel(work.admittedHost);
    return false;
}

void CQueryThread::ReleaseAdmission(const std::string& host, RowWork& work) {
    // The question is answered without the lane: a place taken for it would
    // otherwise stay taken, and the host's other rows would wait forever.
    if (TakeAdmission(host, work)) {
        m_lanes->Cancel(ExitLaneKey(work.exit, host));
    }
}

std::string CQueryThread::QueryWhoisServer(const std::string& server, const std::string& domain,
                                           QueryHop hop, RowWork& work) {
    // IANA's server, found unreachable, is not waited for again by every row.
    const bool iana = HostKey(server) == ServerIana;
    if (iana) {
        if (auto down = m_protocols->downWhois().Find(server)) {
            ReleaseAdmission(server, work);
            return *down;
        }
    }
    const auto remember = [&](const std::string& result) {
        if (iana && !m_stop.load() &&
            (result == kMarkerInvalidAddr || result == kMarkerConnect ||
             result == kMarkerTimeout)) {
            m_protocols->downWhois().MarkDown(server, result);
        }
        return result;
    };
    if (server.empty() || !m_lanes) {
        return remember(Ask(server, hop, domain, work.exit));
    }
    if (hop == QueryHop::Referral) {
        EnterExtra(work);
    }
    const bool admitted = TakeAdmission(server, work);
    return remember(AskThroughLane(
        *m_lanes, ExitLaneKey(work.exit, server), hop,
        [&] { return Ask(server, hop, domain, work.exit); }, m_options.detectRefusal, admitted));
}

RdapHttpResult CQueryThread::FetchRdap(const RdapRequest& asked, RowWork& work) {
    RdapRequest request = asked;
    request.proxy = m_exits[work.exit].proxy;
    request.sourceAddress = m_exits[work.exit].sourceAddress;
    if (request.extra) {
        request.timeoutMs = ExtraTimeoutMs(request.timeoutMs, m_options.extraTimeoutMs);
    }
    const std::string host = UrlHost(request.url);
    DownHosts<RdapHttpResult>& down = m_protocols->downRdap();
    // A server found unreachable answers at once with its failure: the row
    // goes to port 43 instead of waiting it out again. Checked before the
    // lane and again inside it, for rows that were already waiting there.
    const auto fetch = [&](const RdapRequest& sent) {
        if (auto failure = down.Find(host)) {
            failure->detail = host + " could not be reached earlier in this batch";
            return *failure;
        }
        RdapHttpResult result = m_protocols->client().Get(sent, &m_stop);
        if (IsUnreachable(result.failure) && !m_stop.load()) {
            down.MarkDown(host, result);
        }
        return result;
    };
    if (down.Find(host) || !m_lanes) {
        ReleaseAdmission(host, work);
        return fetch(request);
    }
    const bool admitted = TakeAdmission(host, work);
    if (request.extra) {
        EnterExtra(work);
    }
    return FetchThroughLane(*m_lanes, request, fetch, admitted, ExitLaneKey(work.exit, host));
}

std::string CQueryThread::Ask(const std::string& server, QueryHop hop, const std::string& domain,
                              std::size_t exit) {
    if (m_options.transport) {
        return m_options.transport(server, domain, hop);
    }
    WhoisClientOptions client = m_options.client;
    client.publicAddressesOnly = HopNeedsPublicAddress(hop);
    client.proxy = m_exits[exit].proxy;
    client.sourceAddress = m_exits[exit].sourceAddress;
    if (hop == QueryHop::Referral) {
        client.totalTimeoutMs = ExtraTimeoutMs(client.totalTimeoutMs, m_options.extraTimeoutMs);
        client.connectTimeoutMs = std::min(client.connectTimeoutMs, client.totalTimeoutMs);
        client.idleTimeoutMs = std::min(client.idleTimeoutMs, client.totalTimeoutMs);
    }
    return ::WhoisQuery(server, domain, client, &m_stop, m_lookups.get());
}

std::optional<LaneWait> CQueryThread::LongestWait() const {
    std::lock_guard lock(m_mutex);
    if (!m_lanes || !m_queue) {
        return std::nullopt;
    }
    std::optional<LaneWait> wait = m_lanes->LongestWait(m_queue->Hosts());
    if (wait) {
        wait->host = LaneKeyHost(wait->host); // an exit's lane shows its host
    }
    return wait;
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
