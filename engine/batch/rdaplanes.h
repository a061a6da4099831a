// SPDX-License-Identifier: MIT
#pragma once

// RDAP requests through a batch's host lanes (engine/batch/hostlanes.h), like the
// WHOIS questions: at most `perHost` open to one RDAP server, its interval
// kept, and a 429 taken as the server refusing for its rate limit: the lane
// pauses for the Retry-After it names (cut to the lanes' cap; else the
// back-off) and the request is asked again, as often as the lanes' rules
// say, before the row ends as "rate limited".

#include "engine/batch/hostlanes.h"
#include "engine/rdap/rdaphttp.h"

// A 429 is a refusal naming its Retry-After as the wait (the lanes cut it);
// anything else, failures included, is an answer.
[[nodiscard]] LaneVerdict RdapLaneVerdict(const RdapHttpResult& result);

// `request` through the lane of its URL's host. A request marked `extra` (a
// registrar's answer) is tried once and not waited for while its host
// pauses long after a refusal. `admitted`: the first try's place was taken
// with TryAdmit. A wait cut short by a stop request gives failure Stopped;
// a lane that gave up without asking gives the host's last word, a 429.
// `laneKey`: the lane when not the host's own (an exit's, engine/batch/queryexits.h).
[[nodiscard]] RdapHttpResult FetchThroughLane(HostLanes& lanes, const RdapRequest& request,
                                              const RdapFetchFunction& fetch, bool admitted = false,
                                              const std::string& laneKey = {});
