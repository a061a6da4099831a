// SPDX-License-Identifier: MIT
#include "engine/failmarkers.h"

#include <algorithm>
#include <iterator>

namespace {

constexpr const char* kMarkers[] = {kMarkerInvalidSocket, kMarkerSocketErr,  kMarkerInvalidAddr,
                                    kMarkerConnect,       kMarkerSend,       kMarkerSend2,
                                    kMarkerRecv,          kMarkerTimeout,    kMarkerAddressRefused,
                                    kMarkerRateLimited,   kMarkerProxyFailed};

} // namespace

std::string CutOffAnswer(std::string_view text) {
    std::string result(kMarkerTimeout);
    result.push_back('\0');
    result.append(text);
    return result;
}

std::string_view MarkerOf(std::string_view result) {
    return result.substr(0, result.find('\0'));
}

std::string_view CutOffText(std::string_view result) {
    const std::size_t nul = result.find('\0');
    if (nul == std::string_view::npos || result.substr(0, nul) != kMarkerTimeout) {
        return {};
    }
    return result.substr(nul + 1);
}

bool IsFailureMarker(std::string_view result) {
    const std::string_view marker = MarkerOf(result);
    if (marker.size() != result.size() && marker != kMarkerTimeout) {
        return false;
    }
    return std::any_of(std::begin(kMarkers), std::end(kMarkers),
                       [&](const char* known) { return marker == known; });
}
