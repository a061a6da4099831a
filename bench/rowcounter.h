// SPDX-License-Identifier: MIT
#pragma once

// A worker's message target that only counts the rows reported finished,
// one whole batch run against it, and a benchmark of such runs.

#include "core/messages.h"
#include "core/messagetarget.h"
#include "engine/batch/querythread.h"

#include <atomic>
#include <benchmark/benchmark.h>
#include <cstdint>
#include <memory>

class RowCounter : public IMessageTarget {
public:
    void PostMessage(unsigned message, std::uintptr_t, std::intptr_t) override {
        if (message == UM_ROW_DONE) {
            rowsDone.fetch_add(1);
        }
    }
    std::atomic<int> rowsDone{0};
};

// Runs one batch of `options` over `table` to its end and returns the rows
// reported. With `details`, the rows' outcomes are kept (fresh each run).
inline int RunBatchToEnd(DomainTable& table, const QueryOptions& options, bool details = false) {
    RowCounter view;
    auto job = std::make_unique<QueryJob>();
    job->view = &view;
    job->table = table.Rows();
    job->count = table.count;
    if (details) {
        job->details = &table.details;
        table.details.Reset(table.count);
    }
    CQueryThread worker(std::move(job), options);
    worker.Start();
    worker.Join();
    return view.rowsDone.load();
}

// Runs the batch once per iteration and counts the rows per second; a run
// that does not report `rows` rows ends the benchmark with an error.
inline void RunBatchEachIteration(benchmark::State& state, DomainTable& table,
                                  const QueryOptions& options, int rows) {
    for (auto _ : state) {
        if (RunBatchToEnd(table, options) != rows) {
            state.SkipWithError("not every row finished");
            break;
        }
    }
    state.counters["rows_per_s"] = benchmark::Counter(
        static_cast<double>(rows), benchmark::Counter::kIsIterationInvariantRate);
}
