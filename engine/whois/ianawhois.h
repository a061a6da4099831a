// SPDX-License-Identifier: MIT
#pragma once

// The port-43 server of a TLD the suffix table does not know, as IANA's own
// WHOIS server names it:
//
//     refer:        whois.nic.example
//     domain:       EXAMPLE
//     ...
//     whois:        whois.nic.example
//
// Each answer ("none" included) is kept per TLD in a small file in the data
// folder for 30 days. Several workers asking about one TLD at once make one
// question to IANA; the others wait for its answer.

#include <atomic>
#include <condition_variable>
#include <ctime>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "engine/failreason.h"
#include "engine/whois/queryhop.h"

inline constexpr const char* ServerIana = "whois.iana.org";
inline constexpr const char* kIanaWhoisCacheName = "iana-whois.txt";
inline constexpr std::time_t kIanaWhoisCacheSeconds = 30 * 24 * 60 * 60;

struct IanaWhoisAnswer {
    bool isTld = false;      // the answer describes a TLD ("domain:" line)
    bool unknownTld = false; // IANA has no such TLD ("This query returned 0 objects.")
    std::string server;      // "whois:", else "refer:"; "" when neither names a host
    // A "whois:" or "refer:" line named something other than a plain public
    // host name ("localhost", "127.0.0.2"): refused, never asked.
    bool refusedHost = false;
};

// Reads IANA's answer for a TLD.
[[nodiscard]] IanaWhoisAnswer ReadIanaWhoisAnswer(std::string_view answer);

struct IanaWhoisEntry {
    std::string server;      // "" for none
    std::time_t checked = 0; // when IANA said so
    bool refused = false;    // IANA named only a host we refuse; kept for this run alone
};

// Reads the cache file's text ("tld server-or-none checked" lines): the
// newest entry per TLD; lines that are not such an entry, or name a server
// that is no plain public host name, are skipped.
[[nodiscard]] std::map<std::string, IanaWhoisEntry> ReadIanaWhoisCache(std::string_view text);

struct IanaLookup {
    bool ok = false;     // the server is known ("" meaning none)
    std::string server;  // the TLD's port-43 server, "" for none; asked as QueryHop::NamedRegistry
    std::string failure; // !ok: the WHOIS client's marker, or "" for an answer not about a TLD
    FailReason reason = FailReason::None; // !ok: why
};

class IanaWhoisDirectory {
public:
    // `cacheFile` may be "" (nothing kept between runs). `now` may be empty
    // (the current time).
    explicit IanaWhoisDirectory(std::string cacheFile, std::function<std::time_t()> now = {});
    ~IanaWhoisDirectory();
    IanaWhoisDirectory(const IanaWhoisDirectory&) = delete;
    IanaWhoisDirectory& operator=(const IanaWhoisDirectory&) = delete;

    // Thread-safe. `transport` asks whois.iana.org (server, the TLD, Registry);
    // a waiting caller gives up within 250 ms of `stop`.
    [[nodiscard]] IanaLookup ServerFor(std::string_view tld, const WhoisTransport& transport,
                                       const std::atomic<bool>* stop = nullptr);

    // Thread-safe. The server the cache knows for a TLD ("" for none), without
    // asking; nullopt when IANA would have to be asked.
    [[nodiscard]] std::optional<std::string> Known(std::string_view tld);

private:
    struct Flight {
        bool done = false;
        IanaLookup result;
    };

    void LoadLocked();
    [[nodiscard]] const IanaWhoisEntry* FreshLocked(const std::string& tld) const;
    void SaveLocked(const std::string& tld, const IanaWhoisEntry& entry);
    [[nodiscard]] std::time_t Now() const;

    std::string m_cacheFile;
    std::function<std::time_t()> m_now;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_loaded = false;
    std::map<std::string, IanaWhoisEntry> m_entries;
    std::map<std::string, std::shared_ptr<Flight>> m_flights;
};
