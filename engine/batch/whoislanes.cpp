// SPDX-License-Identifier: MIT
#include "engine/batch/whoislanes.h"

#include "engine/whois/whoisclient.h"

LaneVerdict WhoisLaneVerdict(const std::string& result, const RefusalDetector& detectRefusal) {
    if (IsFailureMarker(result)) {
        const bool reset = result == kMarkerRecv || result == kMarkerSend || result == kMarkerSend2;
        return reset ? LaneVerdict::ResetAtConnect() : LaneVerdict::Answered();
    }
    const Refusal refusal = detectRefusal ? detectRefusal(result) : DetectRefusal(result);
    if (refusal.reason == FailReason::RateLimited) {
        return LaneVerdict::Refused(refusal.waitSeconds);
    }
    return LaneVerdict::Answered();
}

std::string AskThroughLane(HostLanes& lanes, const std::string& laneKey, QueryHop hop,
                           const std::function<std::string()>& ask,
                           const RefusalDetector& detectRefusal, bool admitted) {
    std::string result;
    const auto attempt = [&] {
        result = ask();
        return WhoisLaneVerdict(result, detectRefusal);
    };
    const LaneResult lane = admitted ? lanes.RunAdmitted(laneKey, attempt)
                                     : lanes.Run(laneKey, attempt,
                                                 hop == QueryHop::Referral ? LanePatience::Extra()
                                                                           : LanePatience::Full());
    switch (lane) {
    case LaneResult::Done:
        return result;
    case LaneResult::RateLimited:
        // The last refusal is the host's answer: it says why, and is kept as
        // the row's answer text. A refusal seen only as a reset has no text.
        return result.empty() || IsFailureMarker(result) ? std::string(kMarkerRateLimited) : result;
    case LaneResult::Stopped:
        break;
    }
    return kMarkerTimeout;
}
