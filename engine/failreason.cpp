// SPDX-License-Identifier: MIT
#include "engine/failreason.h"

#include <array>

#include "engine/failmarkers.h"

namespace {

struct ReasonTexts {
    std::string_view english;
    std::string_view chinese;
};

// In the order of the enumeration.
constexpr std::array<ReasonTexts, kFailReasonCount> kTexts{{
    {"", ""},
    {"could not resolve the host", "无法解析服务器地址"},
    {"connection refused", "连接被拒绝"},
    {"timed out", "查询超时"},
    {"connection reset", "连接被重置"},
    {"empty answer", "服务器没有返回内容"},
    {"rate limited", "查询过于频繁，被服务器限制"},
    {"not served here", "该服务器不提供此域名的查询"},
    {"referral refused", "拒绝转向的服务器"},
    {"no server", "无whois服务器"},
    {"malformed answer", "服务器的答复无法读取"},
    {"query refused", "服务器拒绝了查询"},
    {"internal error", "内部错误"},
    {"unrecognised answer", "无法识别的应答"},
    {"proxy failed", "代理失败"},
}};

const ReasonTexts& TextsOf(FailReason reason) {
    const auto index = static_cast<std::size_t>(reason);
    return index < kTexts.size() ? kTexts[index] : kTexts[0];
}

} // namespace

std::string_view FailReasonEnglish(FailReason reason) {
    return TextsOf(reason).english;
}

std::string_view FailReasonChinese(FailReason reason) {
    return TextsOf(reason).chinese;
}

FailReason FailReasonForMarker(std::string_view failure) {
    const std::string_view result = MarkerOf(failure);
    if (result == kMarkerInvalidAddr) {
        return FailReason::ResolveFailed;
    }
    if (result == kMarkerConnect) {
        return FailReason::ConnectionRefused;
    }
    if (result == kMarkerTimeout) {
        return FailReason::TimedOut;
    }
    if (result == kMarkerRecv || result == kMarkerSend || result == kMarkerSend2) {
        return FailReason::ConnectionReset;
    }
    if (result == kMarkerAddressRefused) {
        return FailReason::ReferralRefused;
    }
    if (result == kMarkerRateLimited) {
        return FailReason::RateLimited;
    }
    if (result == kMarkerProxyFailed) {
        return FailReason::ProxyFailed;
    }
    if (result == kMarkerInvalidSocket || result == kMarkerSocketErr) {
        return FailReason::Internal;
    }
    return FailReason::None;
}
