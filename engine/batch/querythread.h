// SPDX-License-Identifier: MIT
#pragma once

// The batch worker: queries rows startIndex..count-1 (or just the rows the
// options list) with a pool of `jobs`
// threads, each row's questions going through the lane of the host they go
// to (engine/batch/hostlanes.h). Rows start in index order among the lanes that
// admit a query now; each finished row is reported to the view with
// UM_ROW_DONE (lParam = that row's index) as it finishes, and "lastindex"
// always names the first row not finished, so a resume never skips a row.
// Last comes UM_WORKER_EXIT. `jobs` 1 with `perHost` 1 asks one row after
// another, in index order.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "engine/batch/hostlanes.h"
#include "engine/batch/queryexits.h"
#include "engine/batch/queryoptions.h"
#include "engine/batch/rowqueue.h"
#include "engine/domaintable.h"
#include "engine/rdap/rdaphttp.h"
#include "engine/whois/refusals.h"
#include "engine/whois/whoisclient.h"

class BatchProtocols;
class CCore;
class CInternetSession;
class CQueryThread;
class HostLookupCache;
class IMessageTarget;
class ExitHealth;
class ResultStore;
struct BatchProtocolSetup;
struct RowQueryContext;

struct QueryJob {
    IMessageTarget* view = nullptr;
    CQueryThread* thread = nullptr;
    DomainRecord* table = nullptr;
    int32_t count = 0;
    RowDetails* details = nullptr; // where each row's outcome goes; none: dropped
    // The rows arrive while the batch runs (AddRows), a list of any length
    // through a table of `count` slots: row n lives in slot n % count, its
    // outcome in that slot of `details`, and UM_ROW_DONE names n. The caller
    // refills a slot only after its row was reported done.
    bool stream = false;
};

// How many rows of one registry may wait on extra questions at once, beside
// its rows under way (2 x perHost): max(4 x perHost, jobs / 2), but at most
// jobs - 1 - 2 x perHost, so a slow registrar cannot starve the registry's
// lane and one registry's rows still leave a worker for the others. A row
// past the limit keeps its place among the rows under way.
[[nodiscard]] int ExtraRowsPerRegistry(int perHost, int jobs);

class CQueryThread {
public:
    // Takes ownership of `job` and stores itself in job->thread.
    CQueryThread(std::unique_ptr<QueryJob> job, QueryOptions options);
    // Asks the worker to stop, joins it and closes a session left open.
    ~CQueryThread();
    CQueryThread(const CQueryThread&) = delete;
    CQueryThread& operator=(const CQueryThread&) = delete;

    // Starts the thread; false when it cannot be started.
    bool Start();
    // Thread-safe: the batch ends after (or inside) the rows under way; every
    // wait for a lane ends at once.
    void RequestStop();
    // Waits for the thread to end (no-op if it never started).
    void Join();
    [[nodiscard]] bool IsRunning() const;
    // Why the batch could not start (an RDAP bootstrap or CA file it cannot
    // use), in English; empty otherwise. Read after the worker's last post.
    [[nodiscard]] const std::string& SetupError() const { return m_setupError; }

    // The steps of a batch, public so tests can drive them on their own thread.
    // 1 after the loop; 0 when the session failed or a file the options
    // name (RDAP bootstrap, CA) cannot be used.
    int RunBatch();
    void QueryAll();
    // Queries one row on the calling thread and writes it back; false when a
    // stop request cut it short (the row is then as it was).
    bool QueryDomain(int32_t index);
    int OpenSession();
    int CloseSession();

    // Thread-safe, for a job that streams its rows: these rows (ascending,
    // after every row added before) are in their slots and may be asked.
    void AddRows(const std::vector<int32_t>& rows);
    // Thread-safe: no row comes after those added; the batch ends once they have.
    void CloseRows();

    // Thread-safe: the lane that keeps rows waiting longest right now (after
    // a refusal, or for the gap its host asked for), for a progress display.
    [[nodiscard]] std::optional<LaneWait> LongestWait() const;

    // Test seam: the next sessions fail to open while set.
    static void SetSessionFailsForTesting(bool fails);

private:
    struct RowWork;

    void ThreadMain();
    bool OpenProtocols();
    [[nodiscard]] RowQueryContext Context() const;
    void WorkerLoop();
    [[nodiscard]] std::optional<RowQueue::Row> NextRow();
    [[nodiscard]] RowQueue::Row QueueRowOf(int32_t index, const RowQueryContext& context) const;
    bool RunRow(int32_t index, RowWork& work);
    void EnterExtra(RowWork& work);
    void FinishRow(int32_t index);
    [[nodiscard]] int32_t SlotOf(int32_t index) const;
    void QueueAddedRows();
    bool TakeAdmission(const std::string& host, RowWork& work);
    void ReleaseAdmission(const std::string& host, RowWork& work);
    std::string QueryWhoisServer(const std::string& server, const std::string& domain, QueryHop hop,
                                 RowWork& work);
    std::string Ask(const std::string& server, QueryHop hop, const std::string& domain,
                    std::size_t exit);
    RdapHttpResult FetchRdap(const RdapRequest& request, RowWork& work);
    void Wake();

    std::unique_ptr<QueryJob> m_job;
    QueryOptions m_options;
    DomainRecord* m_table = nullptr;
    int32_t m_count = 0;
    bool m_stream = false; // QueryJob::stream
    IMessageTarget* m_view = nullptr;
    std::unique_ptr<CInternetSession> m_session; // none: no session open
    std::unique_ptr<BatchProtocolSetup> m_setup; // read from the options when made
    std::unique_ptr<BatchProtocols> m_protocols; // the batch's RDAP and IANA pieces
    std::string m_setupError;                    // written before UM_WORKER_EXIT
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_running{false};
    std::thread m_thread;

    // The batch under way, guarded by m_mutex (lanes and look-ups guard themselves).
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::unique_ptr<HostLanes> m_lanes;
    std::unique_ptr<HostLookupCache> m_lookups;
    std::vector<QueryExit> m_exits;           // at least one
    std::unique_ptr<ExitHealth> m_exitHealth; // made with m_exits
    std::unique_ptr<RowQueue> m_queue;
    std::vector<char> m_finished;  // by index - first; 1 once written back
    int32_t m_first = 0;           // the batch's first row
    int32_t m_firstUnfinished = 0; // every row before it is finished
    // A streaming job's rows added and not yet given to the queue, and
    // whether more may come.
    std::vector<int32_t> m_added;
    bool m_closed = false;
    std::mutex m_saveMutex; // keeps the saves of "lastindex" in order
    int32_t m_savedIndex = -1;
};
