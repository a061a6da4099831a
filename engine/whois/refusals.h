// SPDX-License-Identifier: MIT
#pragma once

// A registry's refusal in place of an answer: a volume limit ("WHOIS LIMIT
// EXCEEDED", "Please maintain at least 10-second time before starting another
// enquiry.", a database that is down for a while) or a query it does not
// serve ("TLD is not supported."). Read by a recipe it would pass as a
// registered domain with empty fields. Texts are compared without regard to
// case, anywhere in the answer (the commonest words only at a line's start).
// A limit note above an answer that still names the domain or its state
// ("Reduced information") is no refusal: that answer is read.

#include <optional>
#include <string_view>

#include "engine/failreason.h"

struct Refusal {
    // RateLimited or NotServed; None when the text is no refusal.
    FailReason reason = FailReason::None;
    // The wait the server named, in seconds ("at least 10-second time",
    // "go away for 13 Seconds"), at most an hour; none when it named no wait.
    std::optional<int> waitSeconds;
};

[[nodiscard]] Refusal DetectRefusal(std::string_view answer);

// The first wait a text names (any case), in seconds, at most an hour: a
// number, then after blanks or a hyphen a unit ("at least 10-second time",
// "wait 2 minutes", "24h"); none when it names none.
[[nodiscard]] std::optional<int> ReadNamedWait(std::string_view text);
