// SPDX-License-Identifier: MIT
#pragma once

// The batch settings of the options dialog, kept in zentrix.ini:
//   jobs=16          queries open at once, in all
//   perhost=1        queries open at once to one host
//   hostinterval=0   least milliseconds between two query starts to one host
//   protocol=0       0 auto (RDAP where the registry has it), 1 WHOIS, 2 RDAP
// A missing key, or a value outside its range (the engine's limits, as the
// command line's), means the default.

#include "engine/batch/queryoptions.h"

class CCore;

struct BatchSettings {
    int jobs = 16;
    int perHost = 1;
    int hostIntervalMs = 0;
    ProtocolChoice protocol = ProtocolChoice::Auto;
    friend bool operator==(const BatchSettings&, const BatchSettings&) = default;
};

[[nodiscard]] BatchSettings LoadBatchSettings(const CCore& core);
void SaveBatchSettings(CCore& core, const BatchSettings& settings);
// Puts the settings into the options of a batch about to start.
void ApplyBatchSettings(const BatchSettings& settings, QueryOptions& options);
