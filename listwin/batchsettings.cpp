// SPDX-License-Identifier: MIT
#include "listwin/batchsettings.h"

#include "core/ccore.h"
#include "core/text.h"

namespace {

// The saved value when it is a number within [low, high]; else `fallback`.
int ReadSetting(const CCore& core, const char* key, int low, int high, int fallback) {
    int value = 0;
    if (!ParseInt(core.getConfigStr(key), value) || value < low || value > high) {
        return fallback;
    }
    return value;
}

} // namespace

BatchSettings LoadBatchSettings(const CCore& core) {
    const BatchSettings defaults;
    BatchSettings settings;
    settings.jobs = ReadSetting(core, "jobs", 1, kMaxJobs, defaults.jobs);
    settings.perHost = ReadSetting(core, "perhost", 1, kMaxPerHost, defaults.perHost);
    settings.hostIntervalMs =
        ReadSetting(core, "hostinterval", 0, kMaxHostIntervalMs, defaults.hostIntervalMs);
    settings.protocol = static_cast<ProtocolChoice>(
        ReadSetting(core, "protocol", static_cast<int>(ProtocolChoice::Auto),
                    static_cast<int>(ProtocolChoice::Rdap), static_cast<int>(defaults.protocol)));
    return settings;
}

void SaveBatchSettings(CCore& core, const BatchSettings& settings) {
    core.saveConfigInt("jobs", settings.jobs);
    core.saveConfigInt("perhost", settings.perHost);
    core.saveConfigInt("hostinterval", settings.hostIntervalMs);
    core.saveConfigInt("protocol", static_cast<int>(settings.protocol));
}

void ApplyBatchSettings(const BatchSettings& settings, QueryOptions& options) {
    options.jobs = settings.jobs;
    options.perHost = settings.perHost;
    options.hostIntervalMs = settings.hostIntervalMs;
    options.protocol = settings.protocol;
}
