#include "engine/refusals.h"

namespace {

constexpr std::string_view kRateLimited[] = {
    "WHOIS LIMIT EXCEEDED",
    "You have exceeded your quota of queries",
};

} // namespace

Refusal DetectRefusal(std::string_view answer) {
    for (const std::string_view text : kRateLimited) {
        if (answer.find(text) != std::string_view::npos) {
            return {FailReason::RateLimited, std::nullopt};
        }
    }
    return {};
}
