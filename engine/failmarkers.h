// SPDX-License-Identifier: MIT
#pragma once

// The failure markers: the fixed texts a WHOIS question gives back in place
// of an answer. The client writes them, the batch and the failure reasons
// read them, so they sit below both.

#include <string>
#include <string_view>

inline constexpr const char* kMarkerInvalidSocket = "Invalid Socket";
inline constexpr const char* kMarkerSocketErr = "Socket_Err";
inline constexpr const char* kMarkerInvalidAddr = "InvalidAddr";
inline constexpr const char* kMarkerConnect = "Err_connect";
inline constexpr const char* kMarkerSend = "Err_Send";
inline constexpr const char* kMarkerSend2 = "Err_Send2";
inline constexpr const char* kMarkerRecv = "Err_Recv";
inline constexpr const char* kMarkerTimeout = "Err_Timeout";
// A referral host that resolved to an address inside the user's own network.
inline constexpr const char* kMarkerAddressRefused = "Err_AddressRefused";
// The host kept refusing the query for its rate limit, however long the
// batch waited between tries (set by the batch, never by the client).
inline constexpr const char* kMarkerRateLimited = "Err_RateLimited";
// The proxy the query went through could not be reached or refused the
// connection it was asked for.
inline constexpr const char* kMarkerProxyFailed = "Err_Proxy";

// A query cut off by its idle or total time-out after some text came is a
// failure too, not an answer: kMarkerTimeout, a NUL byte, then that text
// (answers never hold NUL bytes), so the text can still be shown.
[[nodiscard]] std::string CutOffAnswer(std::string_view text);
// The marker of a failure: the whole result, or the part before the NUL of
// a cut-off answer.
[[nodiscard]] std::string_view MarkerOf(std::string_view result);
// The text a cut-off answer holds; "" for anything else.
[[nodiscard]] std::string_view CutOffText(std::string_view result);

// True when `result` is exactly one of the markers above, or a cut-off answer.
[[nodiscard]] bool IsFailureMarker(std::string_view result);
