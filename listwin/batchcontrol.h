// SPDX-License-Identifier: MIT
#pragma once

// The batch behind a list view: starts the worker over the domain table,
// asks it to stop or waits for it, and follows it: the rows it asks, the
// rows it has reported, how many of them changed, and the server that keeps
// rows waiting. Every control is known to one registry, so all workers can
// be stopped before the table is released.

#include "engine/batch/querythread.h"

#include <QObject>
#include <QTimer>
#include <memory>
#include <string>
#include <vector>

class IMessageTarget;

class CBatchControl final : public QObject {
    Q_OBJECT
public:
    // How often the rows kept waiting by a paused server are looked for.
    static constexpr int kWaitCheckMs = 1000;

    explicit CBatchControl(QObject* parent = nullptr);
    // Stops and joins a running worker.
    ~CBatchControl() override;

    // Starts a worker over the domain table that reports to `target`; a
    // batch that has ended is reaped first. False when the thread could not
    // start (nothing runs then).
    bool Start(IMessageTarget* target);
    // Asks a running worker to stop and returns at once; it ends as usual.
    void RequestStop();
    // Asks a running worker to stop and waits for it.
    void Stop();
    // From the start of a batch until End.
    [[nodiscard]] bool IsRunning() const { return m_thread != nullptr; }
    // The worker's UM_WORKER_EXIT: its thread is ending, so it goes. Returns
    // why its set-up failed (empty when it did not).
    std::string End();

    // What the next batch is started with: the start index, the settings of
    // the options dialog, connect-to overrides, the transport.
    [[nodiscard]] QueryOptions MakeQueryOptions() const;
    // Where the worker sends its questions; empty: the TCP client.
    void SetTransport(WhoisTransport transport) { m_transport = std::move(transport); }

    // The worker reported `row` of a list of `rowCount`: true the first time.
    bool Report(int row, int rowCount);
    // One reported row changed since its previous check.
    void CountChange() { ++m_changed; }
    // The rows moved (a reload): what was reported no longer names them.
    void ForgetReports() { m_reported.clear(); }
    [[nodiscard]] bool Reported(int row) const;
    // Whether the last batch asks `row`.
    [[nodiscard]] bool Asks(int row) const;
    // The batch's start index plus the rows it reported, as UM_PROGRESS says.
    [[nodiscard]] int ShownRowCount() const { return m_start + m_reportedCount; }
    [[nodiscard]] int ChangedCount() const { return m_changed; }

    // Stops the worker of every control (before the table is released).
    static void StopAll();

signals:
    // While a batch runs: the server that keeps rows waiting, or empty.
    void waitingHostChanged(const QString& host);

private:
    void CheckWait();

    std::unique_ptr<CQueryThread> m_thread;
    WhoisTransport m_transport;
    QTimer m_waitTimer;
    std::vector<bool> m_reported; // rows the batch reported
    std::vector<char> m_asks;     // rows the batch asks
    int m_start = 0;
    int m_reportedCount = 0;
    int m_changed = 0;
};
