// SPDX-License-Identifier: MIT
// The refusal detector and the named-wait reader, fed any text: a refusal
// is one of its two reasons, a wait is never negative nor over the hour,
// and neither depends on the case of ASCII letters.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/asciicase.h"
#include "engine/whois/refusals.h"

namespace {

constexpr int kMostSeconds = 3600;

bool WaitInRange(const std::optional<int>& wait) {
    return !wait || (*wait >= 0 && *wait <= kMostSeconds);
}

std::string AsciiUpper(std::string_view text) {
    std::string upper(text);
    for (char& c : upper) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return upper;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const Refusal refusal = DetectRefusal(text);
    if (refusal.reason != FailReason::None && refusal.reason != FailReason::RateLimited &&
        refusal.reason != FailReason::NotServed) {
        __builtin_trap();
    }
    if (refusal.reason == FailReason::None && refusal.waitSeconds) {
        __builtin_trap(); // a wait belongs to a refusal
    }
    if (!WaitInRange(refusal.waitSeconds)) {
        __builtin_trap();
    }
    const std::optional<int> wait = ReadNamedWait(text);
    if (!WaitInRange(wait)) {
        __builtin_trap();
    }
    if (refusal.reason != FailReason::None && refusal.waitSeconds != wait) {
        __builtin_trap(); // a refusal's wait is the one its text names
    }
    const std::string upper = AsciiUpper(text);
    const Refusal shouted = DetectRefusal(upper);
    if (shouted.reason != refusal.reason || shouted.waitSeconds != refusal.waitSeconds ||
        ReadNamedWait(upper) != wait || ReadNamedWait(AsciiLower(text)) != wait) {
        __builtin_trap();
    }
    return 0;
}
