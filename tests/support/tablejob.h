// SPDX-License-Identifier: MIT
#pragma once

#include <memory>

#include "engine/batch/querythread.h"
#include "engine/domaintable.h"

// A batch over every row of `table`, its outcomes cleared first, reporting
// to `view` (none: nobody is told).
inline std::unique_ptr<QueryJob> JobOver(DomainTable& table, IMessageTarget* view = nullptr) {
    table.details.Reset(table.count);
    auto job = std::make_unique<QueryJob>();
    job->view = view;
    job->table = table.Rows();
    job->count = table.count;
    job->details = &table.details;
    return job;
}
