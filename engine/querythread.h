#pragma once

// The batch worker: queries rows startIndex..count-1 one after another on its
// own thread, saves "lastindex" after each row and reports to the view with
// UM_ROW_DONE (lParam = index + 1) and, last, UM_WORKER_EXIT.

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "engine/domaintable.h"
#include "engine/whoisclient.h"

class CCore;
class CInternetSession;
class CQueryThread;
class IMessageTarget;

struct QueryJob {
    IMessageTarget* view = nullptr;
    CQueryThread* thread = nullptr;
    DomainRecord* table = nullptr;
    int32_t count = 0;
    RowDetails* details = nullptr; // where each row's outcome goes; none: dropped
};

// Which question of a row a WHOIS query is: the registry's own, or the
// referral to a registrar's server that the registry's answer named (which
// must lead to a public address).
enum class QueryHop { Registry, Referral };

// Where the per-row query sends its questions: (server, domain, hop) ->
// answer or failure marker. The default is the TCP client.
using WhoisTransport =
    std::function<std::string(const std::string& server, const std::string& domain, QueryHop hop)>;

// Which protocol a row is asked by: RDAP where IANA's bootstrap lists the
// name's TLD (falling back to port 43 when the RDAP server cannot be
// reached), port 43 only, or RDAP only.
enum class ProtocolChoice { Auto = 0, Whois = 1, Rdap = 2 };

struct QueryOptions {
    int32_t startIndex = 0; // the first row to query
    int jobs = 16;          // queries open at once, in all
    int perHost = 1;        // queries open at once to one host
    int hostIntervalMs = 0; // least time between two query starts to one host
    ProtocolChoice protocol = ProtocolChoice::Auto;
    CCore* core = nullptr;     // "lastindex" is saved here; none: not saved
    WhoisClientOptions client; // time-outs and connect-to overrides
    WhoisTransport transport;  // empty: the TCP client with `client`
};

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
    // Thread-safe: the batch ends after (or inside) the current row.
    void RequestStop();
    // Waits for the thread to end (no-op if it never started).
    void Join();
    [[nodiscard]] bool IsRunning() const;

    // The steps of a batch, public so tests can drive them on their own thread.
    int RunBatch(); // 1 after the loop, 0 when the session failed
    void QueryAll();
    void QueryDomain(int32_t index);
    std::string QueryWhoisServer(const std::string& server, QueryHop hop = QueryHop::Registry);
    int OpenSession();
    int CloseSession();

    // Test seam: the next sessions fail to open while set.
    static void SetSessionFailsForTesting(bool fails);

    [[nodiscard]] int32_t currentIndex() const { return m_currentIndex.load(); }

private:
    void ThreadMain();

    std::unique_ptr<QueryJob> m_job;
    QueryOptions m_options;
    DomainRecord* m_table = nullptr;
    int32_t m_count = 0;
    std::atomic<int32_t> m_currentIndex{0};
    IMessageTarget* m_view = nullptr;
    std::string m_currentDomain;
    std::unique_ptr<CInternetSession> m_session; // none: no session open
    bool m_rowFinished = false;                  // the last QueryDomain wrote its row
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_running{false};
    std::thread m_thread;
};
