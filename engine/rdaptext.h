// SPDX-License-Identifier: MIT
#pragma once

// The protocol texts of RDAP and WHOIS (roles, event actions, link
// relations, media types, host names) compare without regard to ASCII case:
// the one rule is the core's.

#include "core/asciicase.h"
