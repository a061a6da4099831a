// SPDX-License-Identifier: MIT
#include "engine/batch/rdaplanes.h"

LaneVerdict RdapLaneVerdict(const RdapHttpResult& result) {
    if (result.failure != RdapFailure::None || result.status != 429) {
        return LaneVerdict::Answered();
    }
    return LaneVerdict::RefusedRetryAfter(result.retryAfterSeconds);
}

RdapHttpResult FetchThroughLane(HostLanes& lanes, const RdapRequest& request,
                                const RdapFetchFunction& fetch, bool admitted,
                                const std::string& laneKey) {
    const std::string host = UrlHost(request.url);
    if (host.empty()) {
        return fetch(request); // not a URL a lane could name: the client says why
    }
    RdapHttpResult result;
    bool asked = false;
    const auto attempt = [&] {
        result = fetch(request);
        asked = true;
        return RdapLaneVerdict(result);
    };
    const std::string& key = laneKey.empty() ? host : laneKey;
    const LaneResult lane =
        admitted
            ? lanes.RunAdmitted(key, attempt)
            : lanes.Run(key, attempt, request.extra ? LanePatience::Extra() : LanePatience::Full());
    if (lane == LaneResult::Stopped) {
        result = RdapHttpResult{};
        result.failure = RdapFailure::Stopped;
        result.detail = "stopped";
    } else if (!asked) {
        result = RdapHttpResult{};
        result.status = 429;
        result.detail = host + " is pausing after a refusal";
    }
    return result;
}
