// SPDX-License-Identifier: MIT
#pragma once

// The whole run of zentrix-batch after its command line was read: load the
// list, check the output, run the batch worker, write the rows as they
// finish, report. Returns the exit status.

#include "cli/batchoptions.h"

inline constexpr int kExitDone = 0;
inline constexpr int kExitFailure = 1;
// The output is complete but the results store, and with it the resume
// position, could not be written.
inline constexpr int kExitNotSaved = 2;
// --alert-within found names expiring within its days or changed.
inline constexpr int kExitAlert = 3;
inline constexpr int kExitInterrupted = 130;

[[nodiscard]] int RunBatchProgram(const BatchOptions& options);
