// SPDX-License-Identifier: MIT
#include "cli/batchprogram.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <optional>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "cli/batchreport.h"
#include "cli/batchstore.h"
#include "cli/messagequeue.h"
#include "cli/prometheustext.h"
#include "cli/resulttable.h"
#include "cli/resultwriter.h"
#include "cli/shard.h"
#include "cli/signalwatcher.h"
#include "cli/watchalerts.h"
#include "core/ccore.h"
#include "core/messages.h"
#include "core/text.h"
#include "engine/batch/batchprotocols.h"
#include "engine/batch/querythread.h"
#include "engine/domaintable.h"
#include "engine/net/idn.h"
#include "engine/rowvalues.h"
#include "engine/storedrow.h"
#include "engine/whois/whoisservers.h"
#include "formats/liststream.h"

namespace {

using Clock = std::chrono::steady_clock;

// Posted by the signal watcher; lParam is the signal's number.
constexpr unsigned kStopSignal = WM_USER + 900;
constexpr auto kProgressInterval = std::chrono::milliseconds(200);
constexpr auto kShownWait = std::chrono::milliseconds(1000);

void Complain(const std::string& text) {
    std::fprintf(stderr, "zentrix-batch: %s\n", text.c_str());
}

// True when both paths name one existing file (a hard link or another
// spelling included): replacing the output would destroy the user's list.
bool SameFile(const std::string& a, const std::string& b) {
    struct stat first {};
    struct stat second {};
    return !a.empty() && !b.empty() && ::stat(a.c_str(), &first) == 0 &&
           ::stat(b.c_str(), &second) == 0 && first.st_dev == second.st_dev &&
           first.st_ino == second.st_ino;
}

// The width of the terminal on standard output, for the table.
int StdoutColumns() {
    winsize size{};
    const int reported = ::ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0 ? size.ws_col : 0;
    return TerminalColumns(reported, std::getenv("COLUMNS"));
}

std::int64_t Now() {
    return static_cast<std::int64_t>(std::time(nullptr));
}

WhoisClientOptions ClientOptionsFor(const BatchOptions& options,
                                    std::vector<ConnectOverride> fromEnvironment) {
    WhoisClientOptions client;
    // First match wins in the client: the command line comes before the
    // environment so it can override an entry there.
    client.connectTo = options.connectTo;
    for (ConnectOverride& entry : fromEnvironment) {
        client.connectTo.push_back(std::move(entry));
    }
    if (options.timeoutMs > 0) {
        client.totalTimeoutMs = options.timeoutMs;
        client.connectTimeoutMs = std::min(client.connectTimeoutMs, options.timeoutMs);
        client.idleTimeoutMs = std::min(client.idleTimeoutMs, options.timeoutMs);
    }
    return client;
}

// The progress line on a terminal: rewritten in place, at most a few times a
// second, and wiped before anything else is written there.
class ProgressLine {
public:
    explicit ProgressLine(bool enabled) : m_enabled(enabled) {}

    void Show(const std::string& text) {
        if (m_enabled) {
            std::fprintf(stderr, "\r%s\033[K", text.c_str());
            std::fflush(stderr);
            m_shown = true;
        }
    }
    void Wipe() {
        if (m_shown) {
            std::fputs("\r\033[K", stderr);
            std::fflush(stderr);
            m_shown = false;
        }
    }

private:
    bool m_enabled;
    bool m_shown = false;
};

// The rows of a list of any length pass through a window of table slots:
// row n lives in slot n % window from when it is read until it is written.
// Rows are written in list order, so a row still under way holds back at
// most a window of rows behind it; the batch starts no row past that.
int32_t WindowRows() {
    int32_t rows = DomainTable::kMaxRows;
    // Tests shrink it to see rows wrap around the slots.
    if (const char* text = std::getenv("ZENTRIX_BATCH_WINDOW")) {
        int value = 0;
        if (ParseInt(text, value) && value > 0) {
            rows = std::min<int32_t>(value, DomainTable::kMaxRows);
        }
    }
    return rows;
}

// Names are read and looked up in the store a piece at a time.
constexpr int32_t kReadPiece = 500;

class BatchRun {
public:
    explicit BatchRun(const BatchOptions& options)
        : m_options(options), m_window(WindowRows()),
          m_writer(OutputFormatFor(options, ::isatty(STDOUT_FILENO) == 1), options.outputFile,
                   StdoutColumns()),
          m_progress(!options.quiet && ::isatty(STDERR_FILENO) == 1),
          m_stdoutIsTerminal(options.outputFile.empty() && ::isatty(STDOUT_FILENO) == 1) {}

    int Run() {
        // A mistyped override would send queries to the real registries.
        ConnectToSetting connectTo = ReadConnectToEnvironment();
        if (!connectTo.errors.empty()) {
            for (const std::string& error : connectTo.errors) {
                Complain("bad ZENTRIX_CONNECT_TO entry: " + error);
            }
            return kExitFailure;
        }
        m_connectToEnvironment = std::move(connectTo.overrides);
        // Blocks the stop signals before any thread exists, so only the
        // watcher ever receives them, and before the temporary output file
        // exists, so a Ctrl+C cannot leave it behind.
        SignalWatcher signals([this](int signal) { m_queue.PostMessage(kStopSignal, 0, signal); });
        if (!signals.ok()) {
            Complain("cannot watch for Ctrl+C");
            return kExitFailure;
        }
        if (SameFile(m_options.listFile, m_options.outputFile)) {
            Complain("output file '" + m_options.outputFile +
                     "' is the list file; the list is only read");
            return kExitFailure;
        }
        ListIdentityHash identity;
        if (!SurveyList(identity)) {
            Complain("cannot read list file '" + m_options.listFile +
                     "': " + std::strerror(m_list.error()));
            return kExitFailure;
        }
        if (!m_table.Allocate()) {
            Complain("out of memory for the rows");
            return kExitFailure;
        }
        m_table.count = m_window;
        m_table.details.Reset(m_window);
        m_slots.assign(static_cast<std::size_t>(m_window), Slot{});
        if (!m_writer.Open()) {
            Complain(m_writer.errorText());
            return kExitFailure;
        }
        // The data folder holds the caches and the results store; the
        // desktop's settings (its "lastindex" among them) are not touched.
        m_dataFolder = m_core.getAppPath();
        QueryOptions query = QueryOptionsFor();
        // A CA or bootstrap file that cannot be used is the user's to mend
        // before anything is asked: trusting fewer CAs, or asking other
        // servers, than the user said would be wrong.
        if (const std::string bad = CheckProtocolFiles(ProtocolSetupFor(query)); !bad.empty()) {
            Complain(bad);
            m_writer.Discard();
            return kExitFailure;
        }
        if (!m_options.noStore) {
            OpenStore(identity);
        }
        m_summary.compared = m_store != nullptr;
        query.store = m_store ? &m_store->store() : nullptr;

        int status = RunWorker(std::move(query));
        m_progress.Wipe();
        if (m_store) {
            // Kept even when the batch failed: its finished rows are stored,
            // and --resume goes on from them.
            m_summary.storeNotSaved = !m_store->End(status == kExitDone, m_written);
            ShowStoreNotices();
        }
        if (m_options.format == OutputFormat::Prometheus && status != kExitFailure &&
            !m_writer.WriteText(FormatPrometheus(m_watchRows))) {
            Complain(m_writer.errorText());
            return kExitFailure;
        }
        if (status != kExitFailure && !m_writer.Finish()) {
            Complain(m_writer.errorText());
            return kExitFailure;
        }
        if (status == kExitFailure) {
            m_writer.Discard();
            return status;
        }
        if (!m_options.quiet) {
            std::fprintf(stderr, "zentrix-batch: %s\n", FormatSummary(m_summary).c_str());
        }
        if (m_summary.storeNotSaved && status == kExitDone) {
            status = kExitNotSaved;
        }
        return Alert(status);
    }

private:
    // What a slot holds beside its table row.
    struct Slot {
        int32_t listIndex = 0;               // the name's place among the list's names (all shards)
        bool finished = false;               // it has its result (asked now, or before)
        bool doneBefore = false;             // the interrupted batch's result, from the store
        std::optional<StoredCheck> previous; // the name's check to compare with
    };

    [[nodiscard]] Slot& SlotOf(int32_t row) {
        return m_slots[static_cast<std::size_t>(row % m_window)];
    }

    // The next name of this run's shard, with its place in the whole list.
    bool NextName(std::string& name, int32_t& listIndex) {
        while (m_list.Next(name)) {
            listIndex = m_listIndex++;
            if (InShard(name, m_options.shard)) {
                return true;
            }
        }
        return false;
    }

    // A first reading of the list: its identity, its size and what it skips,
    // and for the table its longest name. Nothing of it is kept.
    bool SurveyList(ListIdentityHash& identity) {
        if (!m_list.Open(m_options.listFile)) {
            return false;
        }
        const bool table =
            OutputFormatFor(m_options, ::isatty(STDOUT_FILENO) == 1) == OutputFormat::Table;
        int longest = 0;
        std::string name;
        int32_t listIndex = 0;
        while (NextName(name, listIndex)) {
            identity.Add(name);
            ++m_summary.total;
            if (table) {
                longest = std::max(longest, DisplayWidth(ToUnicodeName(name)));
            }
        }
        const LoadResult counts = m_list.counts();
        if (counts.error != 0) {
            return false;
        }
        m_summary.skippedLong = counts.skippedLong;
        m_summary.skippedInvalid = counts.skippedInvalid;
        m_writer.SetLongestName(longest);
        m_listIndex = 0;
        return m_list.Rewind();
    }

    // --alert-within: the alert lines go out even with --quiet (they are what
    // the run is for), and they outrank a store that could not be written.
    int Alert(int status) const {
        if (m_options.alertWithinDays < 0) {
            return status;
        }
        const std::vector<std::string> lines =
            AlertLines(m_watchRows, m_options.alertWithinDays, DaysFromCivil(LocalToday()));
        for (const std::string& line : lines) {
            std::fprintf(stderr, "zentrix-batch: alert: %s\n", line.c_str());
        }
        const bool finished = status == kExitDone || status == kExitNotSaved;
        return finished && !lines.empty() ? kExitAlert : status;
    }

    void OpenStore(const ListIdentityHash& identity) {
        m_store =
            std::make_unique<BatchStore>(BatchStore::PathFor(m_options.storeFile, m_dataFolder));
        if (m_options.prune) {
            m_store->store().Prune(Now());
        }
        // A shard is a list of its own: each machine resumes its own share.
        std::string path = BatchStore::ListPathKey(m_options.listFile);
        if (m_options.shard.count > 1) {
            path += "#shard " + std::to_string(m_options.shard.index) + "/" +
                    std::to_string(m_options.shard.count);
        }
        m_start = m_store->Begin(identity.Identity(path), m_options.resume, Now());
        if (m_options.resume && !m_start.resumed) {
            Complain("no interrupted batch over '" + m_options.listFile +
                     "' as it is now (same names in the same order); starting at the first row");
        }
        ShowStoreNotices();
    }

    // The store's notices (moved aside, cannot be written), each once.
    void ShowStoreNotices() {
        if (!m_store) {
            return;
        }
        m_store->TakeNotices([this](const std::string& text) {
            m_progress.Wipe();
            Complain(text);
        });
    }

    // The worker's options from the command line; the store comes later.
    [[nodiscard]] QueryOptions QueryOptionsFor() const {
        QueryOptions query;
        query.dataFolder = m_dataFolder;
        query.client = ClientOptionsFor(m_options, m_connectToEnvironment);
        query.jobs = m_options.jobs;
        query.perHost = m_options.perHost;
        query.hostIntervalMs = m_options.hostIntervalMs;
        if (m_options.extraTimeoutMs > 0) {
            query.extraTimeoutMs = m_options.extraTimeoutMs;
        }
        query.protocol = m_options.protocol;
        query.rdapBootstrapFile = m_options.rdapBootstrapFile;
        query.caFile = m_options.caFile;
        query.proxies = m_options.proxies;
        query.sourceAddresses = m_options.sourceAddresses;
        query.proxyFromEnvironment = m_options.proxyFromEnvironment;
        // Tests and demos against a refusing fake server shorten the pause
        // that follows a refusal naming no wait (15 s in earnest).
        if (const char* backoff = std::getenv("ZENTRIX_BACKOFF_MS")) {
            int ms = 0;
            if (ParseInt(backoff, ms) && ms > 0) {
                query.backoffMs = ms;
                query.maxBackoffMs = std::max(ms, query.maxBackoffMs / 1000);
            }
        }
        return query;
    }

    // Reads rows into the slots written rows freed, up to a window ahead of
    // the first row not written; rows the interrupted batch finished come
    // from the store and are not asked. The others go to the worker, and the
    // worker hears when the list has ended. False when the list could no
    // longer be read.
    bool FillWindow(CQueryThread& worker) {
        std::vector<int32_t> toAsk;
        std::vector<std::string> names;
        // Read a piece at a time, not a name per row written: the store is
        // asked once per piece.
        const int32_t least = std::clamp(m_window / 4, 1, kReadPiece);
        while (!m_listEnded && m_written + m_window - m_loaded >= least) {
            const int32_t first = m_loaded;
            names.clear();
            std::string name;
            int32_t listIndex = 0;
            while (m_loaded - first < kReadPiece && m_loaded < m_written + m_window) {
                if (!NextName(name, listIndex)) {
                    m_listEnded = true;
                    break;
                }
                const int32_t slot = m_loaded % m_window;
                DomainRecord& row = m_table.Row(slot);
                std::memset(&row, 0, sizeof row);
                SetField(row.domain, name);
                if (const char* server = WhoisServerFor(name)) {
                    SetField(row.whoisServer, server);
                }
                m_table.details.Clear(slot);
                Slot& place = SlotOf(m_loaded);
                place = Slot{};
                place.listIndex = listIndex;
                names.push_back(std::move(name));
                ++m_loaded;
            }
            if (m_listEnded && m_list.error() != 0) {
                return false;
            }
            LookUpStored(first, names);
            for (int32_t row = first; row < m_loaded; ++row) {
                if (!SlotOf(row).doneBefore) {
                    toAsk.push_back(row);
                }
            }
        }
        if (!toAsk.empty()) {
            worker.AddRows(toAsk);
        }
        if (m_listEnded && !m_closed) {
            worker.CloseRows();
            m_closed = true;
        }
        return true;
    }

    // The store's checks of rows first.. (their `names`): what each is
    // compared with, and the rows an interrupted batch finished, which are
    // written as they were found.
    void LookUpStored(int32_t first, const std::vector<std::string>& names) {
        if (!m_store || names.empty()) {
            return;
        }
        std::vector<BatchStore::NameChecks> checks = m_store->ChecksOf(names);
        const bool raw = m_options.raw && m_options.format == OutputFormat::Jsonl;
        for (std::size_t at = 0; at < checks.size(); ++at) {
            const int32_t row = first + static_cast<int32_t>(at);
            Slot& place = SlotOf(row);
            place.previous = std::move(checks[at].previous);
            if (!checks[at].finished) {
                continue;
            }
            RowOutcome outcome;
            RowFromCheck(*checks[at].finished, m_table.Row(row % m_window), outcome);
            if (raw) {
                outcome.answer = m_store->store().LatestAnswer(names[at]);
            }
            m_table.details.Set(row % m_window, std::move(outcome));
            place.doneBefore = true;
            place.finished = true;
            ++m_doneBeforeCount;
        }
    }

    int RunWorker(QueryOptions query) {
        auto job = std::make_unique<QueryJob>();
        job->view = &m_queue;
        job->table = m_table.Rows();
        job->count = m_window;
        job->details = &m_table.details;
        job->stream = true;
        CQueryThread worker(std::move(job), std::move(query));

        // Rows an interrupted batch finished go out at once: when it left
        // nothing to ask, no row's report would ever write them.
        if (!FillWindow(worker)) {
            Complain("cannot read list file '" + m_options.listFile +
                     "': " + std::strerror(m_list.error()));
            return kExitFailure;
        }
        if (!WriteAndRefill(worker)) {
            Complain(m_failure);
            return kExitFailure;
        }
        m_started = Clock::now();
        if (!worker.Start()) {
            Complain("cannot start the query thread");
            return kExitFailure;
        }
        bool stopRequested = false;
        bool failed = false;
        for (;;) {
            const auto message = m_queue.WaitFor(kProgressInterval);
            if (!message) {
                ShowStoreNotices();
                ShowProgress(worker, false);
                continue;
            }
            if (message->message == kStopSignal) {
                stopRequested = true;
                worker.RequestStop();
            } else if (message->message == UM_ROW_DONE) {
                MarkFinished(message->lParam);
                if (!failed && !WriteAndRefill(worker)) {
                    failed = true;
                    worker.RequestStop();
                }
                ShowProgress(worker, false);
            } else if (message->message == UM_WORKER_EXIT) {
                worker.Join();
                m_summary.elapsedSeconds = Seconds();
                if (failed) {
                    m_progress.Wipe();
                    Complain(m_failure);
                    return kExitFailure;
                }
                if (message->lParam == -1) {
                    m_progress.Wipe();
                    Complain("cannot open the Internet session or the RDAP setup");
                    return kExitFailure;
                }
                ShowProgress(worker, true);
                m_summary.interrupted = stopRequested && !(m_listEnded && m_written == m_loaded);
                return m_summary.interrupted ? kExitInterrupted : kExitDone;
            }
        }
    }

    void MarkFinished(std::intptr_t row) {
        if (row >= m_written && row < m_loaded && !SlotOf(static_cast<int32_t>(row)).finished) {
            SlotOf(static_cast<int32_t>(row)).finished = true;
            ++m_finishedThisRun;
        }
    }

    // Writes what can go out, then reads rows into the slots it freed.
    bool WriteAndRefill(CQueryThread& worker) {
        if (!WriteFinishedRows()) {
            m_failure = m_writer.errorText();
            return false;
        }
        if (!FillWindow(worker)) {
            m_failure = "cannot read list file '" + m_options.listFile +
                        "': " + std::strerror(m_list.error());
            return false;
        }
        // Rows read now may be finished already (from the store).
        if (!WriteFinishedRows()) {
            m_failure = m_writer.errorText();
            return false;
        }
        return true;
    }

    // Writes the rows that can go out in list order: each once it and every
    // row before it are finished. The worker no longer writes a row it
    // reported, so reading it here is safe.
    bool WriteFinishedRows() {
        if (m_written >= m_loaded || !SlotOf(m_written).finished) {
            return true;
        }
        if (m_stdoutIsTerminal) {
            m_progress.Wipe();
        }
        for (; m_written < m_loaded && SlotOf(m_written).finished; ++m_written) {
            if (!WriteRow(m_written)) {
                return false;
            }
            SlotOf(m_written).previous.reset();
        }
        m_summary.done = m_written;
        return m_writer.Flush();
    }

    bool WriteRow(int32_t index) {
        const int32_t slot = index % m_window;
        const Slot& place = SlotOf(index);
        const DomainRecord& row = m_table.Row(slot);
        JsonLineDetails details;
        details.reason = m_table.details.Reason(slot);
        details.protocol = m_table.details.Protocol(slot);
        const CheckValues values = ShownValues(m_table, slot);
        details.values = &values;
        details.finished = m_table.details.Finished(slot);
        const bool askedNow = !place.doneBefore;
        // Rows a resumed batch finished before its first row left to ask
        // are where it starts; those after it are counted apart.
        if (askedNow && !m_startSeen) {
            m_startSeen = true;
            m_summary.startIndex = index;
        }
        if (askedNow) {
            ++(row.status >= 0 && row.status < 4 ? m_summary.byStatus[row.status]
                                                 : m_summary.otherStatus);
            if (row.status == Error) {
                ++m_summary.errorsByReason[static_cast<std::size_t>(details.reason)];
            }
        } else if (m_startSeen) {
            ++m_summary.doneBefore;
        }
        const std::uint8_t changes = m_store ? CompareWithPrevious(row, values, place, details) : 0;
        if (m_watching) {
            m_watchRows.push_back(WatchRow{ToUnicodeName(FieldText(row.domain)), row.status,
                                           values.expiry, m_table.details.AskedAt(slot), changes});
        }
        std::string raw;
        if (m_options.raw && m_options.format == OutputFormat::Jsonl) {
            raw = m_table.details.AnswerUtf8(slot);
            details.raw = &raw;
        }
        return m_writer.WriteRow(row, place.listIndex, details);
    }

    // The row against its name's check before this batch: "changed" and
    // "previous" in jsonl, and the summary's count for rows asked now.
    // Returns the changes' bits.
    std::uint8_t CompareWithPrevious(const DomainRecord& row, const CheckValues& values,
                                     const Slot& place, JsonLineDetails& details) {
        details.previous = place.previous ? &*place.previous : nullptr;
        if (details.previous == nullptr) {
            return 0;
        }
        StoredCheck current;
        current.status = row.status;
        current.values = values;
        details.changed = ChangedFields(*details.previous, current);
        const std::vector<ChangeKind> kinds = ChangesBetween(*details.previous, current);
        if (!place.doneBefore) {
            if (!kinds.empty()) {
                ++m_summary.changedRows;
            }
            for (const ChangeKind kind : kinds) {
                ++m_summary.changesByKind[static_cast<std::size_t>(kind)];
            }
        }
        return ChangeBits(kinds);
    }

    void ShowProgress(const CQueryThread& worker, bool force) {
        const auto now = Clock::now();
        if (!force && now - m_lastProgress < kProgressInterval) {
            return;
        }
        m_lastProgress = now;
        std::string line = FormatProgress(m_doneBeforeCount + m_finishedThisRun, m_summary.total,
                                          m_finishedThisRun, Seconds());
        // Short gaps between queries are the normal pace; a longer wait is
        // a server that refused, and the user should see why nothing moves.
        if (const auto wait = worker.LongestWait(); wait && wait->left >= kShownWait) {
            line += "  " + FormatLaneWait(wait->host, wait->left.count() / 1000.0);
        }
        m_progress.Show(line);
    }

    [[nodiscard]] double Seconds() const {
        return std::chrono::duration<double>(Clock::now() - m_started).count();
    }

    const BatchOptions& m_options;
    const int32_t m_window; // slots, and so the rows read ahead of the first not written
    std::vector<ConnectOverride> m_connectToEnvironment;
    ListNameStream m_list;
    int32_t m_listIndex = 0; // names the list gave so far, of every shard
    DomainTable m_table;     // the slots' rows: `m_window` of them
    std::vector<Slot> m_slots;
    int32_t m_loaded = 0;  // rows read into slots so far
    int32_t m_written = 0; // rows written: every row before it is out
    bool m_listEnded = false;
    bool m_closed = false; // the worker knows no row comes after those it has
    CCore m_core;          // for the data folder only
    std::string m_dataFolder;
    std::unique_ptr<BatchStore> m_store; // none with --no-store
    ResumeStart m_start;
    bool m_startSeen = false; // a row asked now was written
    // The written rows as --alert-within and --format prometheus read them.
    const bool m_watching =
        m_options.format == OutputFormat::Prometheus || m_options.alertWithinDays >= 0;
    std::vector<WatchRow> m_watchRows;
    MessageQueue m_queue;
    ResultWriter m_writer;
    ProgressLine m_progress;
    bool m_stdoutIsTerminal;
    BatchSummary m_summary;
    std::string m_failure; // why writing or reading stopped the batch
    int32_t m_doneBeforeCount = 0;
    int32_t m_finishedThisRun = 0;
    Clock::time_point m_started;
    Clock::time_point m_lastProgress;
};

// --prune without a list: the history's rule applied, nothing asked.
int RunPrune(const BatchOptions& options) {
    CCore core;
    BatchStore store(BatchStore::PathFor(options.storeFile, core.getAppPath()));
    store.store().Prune(Now());
    store.store().Flush();
    store.TakeNotices(Complain);
    if (!store.store().Writable()) {
        return kExitNotSaved;
    }
    if (!options.quiet) {
        const StoreRetention rule;
        Complain("history pruned to the last " + std::to_string(rule.checksPerName) +
                 " checks of each name, none older than " +
                 std::to_string(rule.maxAgeSeconds / (365 * 86400)) + " years");
    }
    return kExitDone;
}

} // namespace

int RunBatchProgram(const BatchOptions& options) {
    if (options.listFile.empty() && options.prune) {
        return RunPrune(options);
    }
    return BatchRun(options).Run();
}
