// SPDX-License-Identifier: MIT
#pragma once

// Port-43 questions through a batch's host lanes (engine/batch/hostlanes.h),
// the twin of engine/batch/rdaplanes.h: at most `perHost` open to one
// server, its interval kept, and an answer that refuses the query for the
// server's rate limit taken as a refusal: the lane pauses for the wait it
// names (else the back-off) and the question is asked again, until the lane
// gives up and the row ends as "rate limited".

#include <functional>
#include <string>
#include <string_view>

#include "engine/batch/hostlanes.h"
#include "engine/whois/queryhop.h"
#include "engine/whois/refusals.h"

// Reads an answer as a refusal; empty: DetectRefusal.
using RefusalDetector = std::function<Refusal(std::string_view answer)>;

// A connection reset while sending or receiving is a reset at connect; any
// other failure marker is an answer; a rate-limit refusal names its wait.
[[nodiscard]] LaneVerdict WhoisLaneVerdict(const std::string& result,
                                           const RefusalDetector& detectRefusal);

// `ask` through the lane `laneKey`. A referral (a registrar's server) is an
// extra: it is not waited for or asked again when it refuses, the
// registry's answer stands. `admitted`: the first try's place was taken
// with TryAdmit. A lane that gave up gives the host's last refusal as the
// answer (kMarkerRateLimited when it said nothing); a wait cut short by a
// stop request gives kMarkerTimeout.
[[nodiscard]] std::string AskThroughLane(HostLanes& lanes, const std::string& laneKey, QueryHop hop,
                                         const std::function<std::string()>& ask,
                                         const RefusalDetector& detectRefusal, bool admitted);
