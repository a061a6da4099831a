#pragma once

// Resolves a host name to an IPv4 address without holding up a stop request:
// the look-up runs on a helper thread that is abandoned if the caller stops
// or its deadline passes first.

#include <atomic>
#include <chrono>
#include <netinet/in.h>
#include <string>

enum class LookupResult { Found, NotFound, Interrupted };

[[nodiscard]] LookupResult LookupIPv4(const std::string& host, in_addr& out,
                                      std::chrono::steady_clock::time_point deadline,
                                      const std::atomic<bool>* stop);
