// SPDX-License-Identifier: MIT
#include "cli/batchprogram.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "cli/batchreport.h"
#include "cli/messagequeue.h"
#include "cli/resulttable.h"
#include "cli/resultwriter.h"
#include "cli/signalwatcher.h"
#include "core/ccore.h"
#include "core/messages.h"
#include "core/text.h"
#include "engine/batchprotocols.h"
#include "engine/domaintable.h"
#include "engine/querythread.h"
#include "engine/rowvalues.h"
#include "listwin/formats/listfile.h"

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

// The resume rule of the desktop program's start button, without its
// question: a saved position inside the list is taken, anything else is 0.
int32_t StartIndexFor(const BatchOptions& options, CCore& core, int32_t count) {
    if (!options.resume) {
        return 0;
    }
    const int last = core.getConfigInt("lastindex");
    return last > count - 1 || last <= 0 ? 0 : last;
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
        m_core.autoFileConfig();
        m_summary.startIndex = StartIndexFor(m_options, m_core, m_table.count);

        const int status = RunWorker();
        m_progress.Wipe();
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
        return status;
    }

private:
    int RunWorker() {
        auto job = std::make_unique<QueryJob>();
        job->view = &m_queue;
        job->table = m_table.Rows();
        job->count = m_table.count;
        job->details = &m_table.details;
        QueryOptions query;
        query.startIndex = m_summary.startIndex;
        query.core = &m_core;
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
        // A CA or bootstrap file that cannot be used is the user's to mend
        // before anything is asked: trusting fewer CAs, or asking other
        // servers, than the user said would be wrong.
        if (const std::string bad = CheckProtocolFiles(ProtocolSetupFor(query)); !bad.empty()) {
            Complain(bad);
            return kExitFailure;
        }
        // Tests and demos against a refusing fake server shorten the pause
        // that follows a refusal naming no wait (15 s in earnest).
        if (const char* backoff = std::getenv("ZENTRIX_BACKOFF_MS")) {
            int ms = 0;
            if (ParseInt(backoff, ms) && ms > 0) {
                query.backoffMs = ms;
                query.maxBackoffMs = std::max(ms, query.maxBackoffMs / 1000);
            }
        }
        CQueryThread worker(std::move(job), std::move(query));
        m_finished.assign(static_cast<std::size_t>(std::max(m_table.count, 0)), 0);

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
            return index < m_summary.startIndex || m_finished[static_cast<std::size_t>(index)] != 0;
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
            if (m_written >= m_summary.startIndex) {
                ++(row.status >= 0 && row.status < 4 ? m_summary.byStatus[row.status]
                                                     : m_summary.otherStatus);
                if (row.status == Error) {
                    ++m_summary.errorsByReason[static_cast<std::size_t>(details.reason)];
                }
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

    void ShowProgress(const CQueryThread& worker, bool force) {
        const auto now = Clock::now();
        if (!force && now - m_lastProgress < kProgressInterval) {
            return;
        }
        m_lastProgress = now;
        std::string line = FormatProgress(m_summary.startIndex + m_finishedThisRun, m_table.count,
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
    CCore m_core;
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

} // namespace

int RunBatchProgram(const BatchOptions& options) {
    return BatchRun(options).Run();
}
