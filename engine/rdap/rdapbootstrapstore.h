// SPDX-License-Identifier: MIT
#pragma once

// Where the RDAP bootstrap comes from: a file the user names, else the copy
// cached in the data folder, else the snapshot compiled into the program.
// The cache is refreshed at most once a day with a conditional GET; a
// failed refresh keeps the last good copy, says nothing, and is tried again
// an hour later.
//
//     RdapBootstrapSource source;
//     source.dataFolder = core.getAppPath();
//     source.refreshUrl = RdapBootstrapUrlFromEnvironment();
//     RdapClient client(clientOptions);
//     RdapBootstrapLoad load = LoadRdapBootstrap(source, FetchWith(client));

#include <ctime>
#include <optional>
#include <string>

#include "engine/rdap/rdapbootstrap.h"
#include "engine/rdap/rdaphttp.h"

inline constexpr const char* kIanaRdapBootstrapUrl = "https://data.iana.org/rdap/dns.json";
// File names in the data folder: the cached file, and what the last refresh
// learned ("checked", "failed", "etag", "last-modified" as key=value lines).
inline constexpr const char* kRdapBootstrapCacheName = "rdap-dns.json";
inline constexpr const char* kRdapBootstrapStateName = "rdap-dns.state";
// A cache younger than this is not asked about again.
inline constexpr std::time_t kRdapBootstrapRefreshSeconds = 24 * 60 * 60;
// A refresh that failed is tried again after this long.
inline constexpr std::time_t kRdapBootstrapRetrySeconds = 60 * 60;

struct RdapBootstrapSource {
    std::string file;       // a bootstrap to use as it is: no cache, no refresh
    std::string dataFolder; // where the cache lives, ending in '/'; "" none
    std::string refreshUrl; // where a fresh copy is fetched; "" never
    std::time_t now = 0;    // 0: the current time
};

enum class RdapBootstrapOrigin { File, Cache, Downloaded, Bundled };

struct RdapBootstrapLoad {
    std::optional<RdapBootstrap> bootstrap; // none only when `file` was unusable
    RdapBootstrapOrigin origin = RdapBootstrapOrigin::Bundled;
    std::string error; // why `file` was unusable
};

// `fetch` makes the refresh's one GET; the request carries the conditional
// headers. Not thread-safe against itself within a process: call it once, before a
// batch starts; the result is then read by every worker.
[[nodiscard]] RdapBootstrapLoad LoadRdapBootstrap(const RdapBootstrapSource& source,
                                                  const RdapFetchFunction& fetch);

// $ZENTRIX_RDAP_BOOTSTRAP_URL when set (empty: never refresh), else IANA's address.
[[nodiscard]] std::string RdapBootstrapUrlFromEnvironment();
