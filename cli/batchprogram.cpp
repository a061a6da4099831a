// SPDX-License-Identifier: MIT
#include "cli/batchprogram.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
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
#include "formats/listfile.h"

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

class BatchRun {
public:
    explicit BatchRun(const BatchOptions& options)
        : m_options(options), m_writer(OutputFormatFor(options, ::isatty(STDOUT_FILENO) == 1),
                                       options.outputFile, StdoutColumns()),
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
        const LoadResult loaded = LoadListFile(m_table, m_options.listFile);
        if (!loaded.opened) {
            Complain("cannot read list file '" + m_options.listFile +
                     "': " + std::strerror(loaded.error));
            return kExitFailure;
        }
        m_summary.total = m_table.count;
        m_summary.skippedLong = loaded.skippedLong;
        m_summary.skippedOverCapacity = loaded.skippedOverCapacity;
        m_summary.skippedInvalid = loaded.skippedInvalid;

        if (SameFile(m_options.listFile, m_options.outputFile)) {
            Complain("output file '" + m_options.outputFile +
                     "' is the list file; the list is only read");
            return kExitFailure;
        }
        m_writer.SetTable(&m_table);
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
            OpenStore();
        }
        m_summary.startIndex = m_plan.startIndex;
        m_summary.compared = m_store != nullptr;
        query.startIndex = m_plan.startIndex;
        query.skipRows = m_plan.done;
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

    void OpenStore() {
        m_store =
            std::make_unique<BatchStore>(BatchStore::PathFor(m_options.storeFile, m_dataFolder));
        if (m_options.prune) {
            m_store->store().Prune(Now());
        }
        std::vector<std::string> names;
        names.reserve(static_cast<std::size_t>(std::max(m_table.count, 0)));
        for (int32_t index = 0; index < m_table.count; ++index) {
            names.emplace_back(FieldText(m_table.Row(index).domain));
        }
        m_plan = m_store->Begin(m_options.listFile, names, m_options.resume, Now());
        if (m_options.resume && !m_plan.resumed) {
            Complain("no interrupted batch over '" + m_options.listFile +
                     "' as it is now (same names in the same order); starting at the first row");
        }
        // Rows the interrupted batch finished are written from the store, as
        // they were found.
        const bool raw = m_options.raw && m_options.format == OutputFormat::Jsonl;
        for (int32_t index = 0; index < m_table.count; ++index) {
            const StoredCheck* check =
                m_plan.done[static_cast<std::size_t>(index)] != 0
                    ? m_store->Finished(names[static_cast<std::size_t>(index)])
                    : nullptr;
            if (check == nullptr) {
                continue;
            }
            RowOutcome outcome;
            RowFromCheck(*check, m_table.Row(index), outcome);
            if (raw) {
                outcome.answer = m_store->store().LatestAnswer(check->domainAscii);
            }
            m_table.details.Set(index, std::move(outcome));
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

    [[nodiscard]] bool DoneBefore(int32_t index) const {
        return static_cast<std::size_t>(index) < m_plan.done.size() &&
               m_plan.done[static_cast<std::size_t>(index)] != 0;
    }

    // The worker's options from the command line; where it starts and the
    // store come later.
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

    int RunWorker(QueryOptions query) {
        auto job = std::make_unique<QueryJob>();
        job->view = &m_queue;
        job->table = m_table.Rows();
        job->count = m_table.count;
        job->details = &m_table.details;
        CQueryThread worker(std::move(job), std::move(query));
        m_finished.assign(static_cast<std::size_t>(std::max(m_table.count, 0)), 0);

        // Rows an interrupted batch finished go out at once: when it left
        // nothing to ask, no row's report would ever write them.
        if (!WriteFinishedRows()) {
            Complain(m_writer.errorText());
            return kExitFailure;
        }
        m_started = Clock::now();
        if (!worker.Start()) {
            Complain("cannot start the query thread");
            return kExitFailure;
        }
        bool stopRequested = false;
        bool writeFailed = false;
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
                if (!writeFailed && !WriteFinishedRows()) {
                    writeFailed = true;
                    worker.RequestStop();
                }
                ShowProgress(worker, false);
            } else if (message->message == UM_WORKER_EXIT) {
                worker.Join();
                m_summary.elapsedSeconds = Seconds();
                if (writeFailed) {
                    m_progress.Wipe();
                    Complain(m_writer.errorText());
                    return kExitFailure;
                }
                if (message->lParam == -1) {
                    m_progress.Wipe();
                    Complain("cannot open the Internet session or the RDAP setup");
                    return kExitFailure;
                }
                ShowProgress(worker, true);
                m_summary.interrupted = stopRequested && m_written < m_table.count;
                return m_summary.interrupted ? kExitInterrupted : kExitDone;
            }
        }
    }

    void MarkFinished(std::intptr_t index) {
        if (index >= 0 && index < m_table.count &&
            m_finished[static_cast<std::size_t>(index)] == 0) {
            m_finished[static_cast<std::size_t>(index)] = 1;
            ++m_finishedThisRun;
        }
    }

    // Writes the rows that can go out in table order: each once it and every
    // row before it are finished (rows before the start count as finished;
    // the worker never touches them). The worker no longer writes a row it
    // reported, so reading it here is safe.
    bool WriteFinishedRows() {
        const auto ready = [this](int32_t index) {
            return index < m_summary.startIndex || DoneBefore(index) ||
                   m_finished[static_cast<std::size_t>(index)] != 0;
        };
        if (m_written >= m_table.count || !ready(m_written)) {
            return true;
        }
        if (m_stdoutIsTerminal) {
            m_progress.Wipe();
        }
        for (; m_written < m_table.count && ready(m_written); ++m_written) {
            const DomainRecord& row = m_table.Row(m_written);
            JsonLineDetails details;
            details.reason = m_table.details.Reason(m_written);
            details.protocol = m_table.details.Protocol(m_written);
            const CheckValues values = ShownValues(m_table, m_written);
            details.values = &values;
            const bool doneBefore = DoneBefore(m_written);
            const bool askedNow = m_written >= m_summary.startIndex && !doneBefore;
            if (askedNow) {
                ++(row.status >= 0 && row.status < 4 ? m_summary.byStatus[row.status]
                                                     : m_summary.otherStatus);
                if (row.status == Error) {
                    ++m_summary.errorsByReason[static_cast<std::size_t>(details.reason)];
                }
            } else if (doneBefore && m_written >= m_summary.startIndex) {
                ++m_summary.doneBefore;
            }
            const std::uint8_t changes =
                m_store ? CompareWithPrevious(row, values, doneBefore, askedNow, details) : 0;
            if (m_watching) {
                m_watchRows.push_back(WatchRow{ToUnicodeName(FieldText(row.domain)), row.status,
                                               values.expiry, m_table.details.AskedAt(m_written),
                                               changes});
            }
            std::string raw;
            if (m_options.raw && m_options.format == OutputFormat::Jsonl) {
                raw = m_table.details.AnswerUtf8(m_written);
                details.raw = &raw;
            }
            if (!m_writer.WriteRow(row, m_written, details)) {
                return false;
            }
        }
        m_summary.done = m_written;
        return m_writer.Flush();
    }

    // The row against its name's check before this batch: "changed" and
    // "previous" in jsonl, and the summary's count for rows asked now.
    // Returns the changes' bits.
    std::uint8_t CompareWithPrevious(const DomainRecord& row, const CheckValues& values,
                                     bool doneBefore, bool askedNow, JsonLineDetails& details) {
        const std::string name(FieldText(row.domain));
        details.previous = doneBefore ? m_store->BeforeFinished(name) : m_store->Previous(name);
        if (details.previous == nullptr) {
            return 0;
        }
        StoredCheck current;
        current.status = row.status;
        current.values = values;
        details.changed = ChangedFields(*details.previous, current);
        const std::vector<ChangeKind> kinds = ChangesBetween(*details.previous, current);
        if (askedNow) {
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
        std::string line = FormatProgress(m_plan.doneCount + m_finishedThisRun, m_table.count,
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
    std::vector<ConnectOverride> m_connectToEnvironment;
    DomainTable m_table;
    CCore m_core; // for the data folder only
    std::string m_dataFolder;
    std::unique_ptr<BatchStore> m_store; // none with --no-store
    // The written rows as --alert-within and --format prometheus read them.
    const bool m_watching =
        m_options.format == OutputFormat::Prometheus || m_options.alertWithinDays >= 0;
    std::vector<WatchRow> m_watchRows;
    ResumePlan m_plan;
    MessageQueue m_queue;
    ResultWriter m_writer;
    ProgressLine m_progress;
    bool m_stdoutIsTerminal;
    BatchSummary m_summary;
    int32_t m_written = 0;        // rows written, all from row 0 on
    std::vector<char> m_finished; // by index: reported finished by the worker
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
