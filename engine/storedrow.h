// SPDX-License-Identifier: MIT
#pragma once

// A finished row as the results store keeps it, and a stored check put back
// into a row (for a batch that takes up rows an earlier run finished).

#include <cstdint>

#include "engine/domaintable.h"
#include "engine/rowdetails.h"
#include "engine/store/storedcheck.h"

// The check a finished row makes: its names (A-label and Unicode), status,
// server and the outcome's whole values and answer. An outcome without a
// time or a server takes `now` and the row's server column.
[[nodiscard]] StoredCheck CheckOfRow(const DomainRecord& row, const RowOutcome& outcome,
                                     std::int64_t now);

// The row's fields from `check` (GBK, cut to each field's width; a character
// GBK lacks becomes '?'), and the outcome that goes with them (whole values,
// reason, protocol, server, time; `check.answer` as its answer). The row's
// domain stays as it is.
void RowFromCheck(const StoredCheck& check, DomainRecord& row, RowOutcome& outcome);
