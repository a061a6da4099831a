// SPDX-License-Identifier: MIT
#pragma once

// A worker's message target that only counts the rows reported finished,
// and one whole batch run against it.

#include "core/messages.h"
#include "core/messagetarget.h"
#include "engine/batch/querythread.h"

#include <atomic>
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
