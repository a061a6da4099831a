// SPDX-License-Identifier: MIT
#include "engine/whois/ianawhois.h"

#include <chrono>
#include <sstream>

#include "core/asciicase.h"
#include "core/atomicfile.h"
#include "core/folderlock.h"
#include "core/hostname.h"
#include "core/readfile.h"
#include "core/text.h"
#include "engine/net/referralguard.h"
#include "engine/whois/whoisclient.h"

namespace {

constexpr std::size_t kMaxCacheBytes = 1u << 20;
constexpr std::chrono::milliseconds kCacheLockWait{5'000};

// A TLD as IANA names one: a single host-name label.
bool IsTldLabel(std::string_view text) {
    return IsHostLabel(text);
}

// ".IO" -> "io".
std::string NormalTld(std::string_view text) {
    std::string tld = AsciiLower(TrimBlanks(text));
    while (!tld.empty() && tld.front() == '.') {
        tld.erase(0, 1);
    }
    return tld;
}

// "tld server-or-none checked" lines; '#' starts a comment.
void ParseCache(std::string_view text, std::map<std::string, IanaWhoisEntry>& entries) {
    std::istringstream lines{std::string(text)};
    std::string line;
    while (std::getline(lines, line)) {
        if (line.empty() || line[0] == '#') {
            continue;
        }
        std::istringstream fields(line);
        std::string tld;
        std::string server;
        long long checked = 0;
        if (!(fields >> tld >> server >> checked) || !IsTldLabel(tld) || checked <= 0) {
            continue;
        }
        if (server == "none") {
            server.clear();
        } else if (!IsReferralHostName(server)) {
            continue;
        }
        auto& entry = entries[AsciiLower(tld)];
        if (static_cast<std::time_t>(checked) >= entry.checked) {
            entry.server = server;
            entry.checked = static_cast<std::time_t>(checked);
        }
    }
}

// IANA named a host that must not be asked: the row fails as a refused referral does.
IanaLookup RefusedLookup() {
    IanaLookup lookup;
    lookup.failure = kMarkerAddressRefused;
    lookup.reason = FailReason::ReferralRefused;
    return lookup;
}

std::string FormatCache(const std::map<std::string, IanaWhoisEntry>& entries) {
    std::string text = "# TLD, port-43 server (none: no server) and when IANA said so\n";
    for (const auto& [tld, entry] : entries) {
        if (entry.refused) {
            continue;
        }
        text += tld + " " + (entry.server.empty() ? std::string("none") : entry.server) + " " +
                std::to_string(static_cast<long long>(entry.checked)) + "\n";
    }
    return text;
}

} // namespace

std::map<std::string, IanaWhoisEntry> ReadIanaWhoisCache(std::string_view text) {
    std::map<std::string, IanaWhoisEntry> entries;
    ParseCache(text, entries);
    return entries;
}

IanaWhoisAnswer ReadIanaWhoisAnswer(std::string_view answer) {
    IanaWhoisAnswer out;
    std::string refer;
    std::string whois;
    while (!answer.empty()) {
        const auto end = answer.find('\n');
        std::string_view line = answer.substr(0, end);
        answer = end == std::string_view::npos ? std::string_view{} : answer.substr(end + 1);
        // "% This query returned 0 objects." is IANA's word for a TLD that
        // does not exist: no server, as sure as a record without one.
        if (line.starts_with('%') && ContainsNoCase(line, "returned 0 objects")) {
            out.unknownTld = true;
        }
        const auto colon = line.find(':');
        if (colon == std::string_view::npos || line.starts_with('%') || line.starts_with('#')) {
            continue;
        }
        const std::string_view key = TrimBlanks(line.substr(0, colon));
        const std::string_view value = TrimBlanks(line.substr(colon + 1));
        if (EqualsNoCase(key, "domain")) {
            out.isTld = true;
        } else if (EqualsNoCase(key, "whois") || EqualsNoCase(key, "refer")) {
            std::string& slot = EqualsNoCase(key, "whois") ? whois : refer;
            if (value.empty() || !slot.empty()) {
                continue;
            }
            if (IsReferralHostName(value)) {
                slot = AsciiLower(value);
            } else {
                out.refusedHost = true;
            }
        }
    }
    out.server = !whois.empty() ? whois : refer;
    out.unknownTld = out.unknownTld && !out.isTld;
    return out;
}

IanaWhoisDirectory::IanaWhoisDirectory(std::string cacheFile, std::function<std::time_t()> now)
    : m_cacheFile(std::move(cacheFile)), m_now(std::move(now)) {}

IanaWhoisDirectory::~IanaWhoisDirectory() = default;

std::time_t IanaWhoisDirectory::Now() const {
    return m_now ? m_now() : std::time(nullptr);
}

void IanaWhoisDirectory::LoadLocked() {
    if (m_loaded) {
        return;
    }
    m_loaded = true;
    std::string text;
    if (!m_cacheFile.empty() && ReadSmallFile(m_cacheFile, text, nullptr, kMaxCacheBytes)) {
        ParseCache(text, m_entries);
    }
}

void IanaWhoisDirectory::SaveLocked(const std::string& tld, const IanaWhoisEntry& entry) {
    if (m_cacheFile.empty()) {
        return;
    }
    // Another process may have added TLDs since this one read the file: under
    // the data folder's lock, read it again and put ours in. A lost cache is
    // only asked again, so a lock that cannot be had skips the save.
    const FolderLock folderLock(FolderOf(m_cacheFile), kCacheLockWait);
    if (folderLock.error() != 0) {
        return;
    }
    std::map<std::string, IanaWhoisEntry> merged;
    std::string text;
    if (ReadSmallFile(m_cacheFile, text, nullptr, kMaxCacheBytes)) {
        ParseCache(text, merged);
    }
    for (const auto& [name, known] : m_entries) {
        if (known.refused) {
            continue;
        }
        auto& slot = merged[name];
        if (known.checked >= slot.checked) {
            slot = known;
        }
    }
    merged[tld] = entry;
    (void)WriteFileAtomically(m_cacheFile, FormatCache(merged));
}

std::optional<std::string> IanaWhoisDirectory::Known(std::string_view tldText) {
    std::string tld = NormalTld(tldText);
    std::lock_guard lock(m_mutex);
    LoadLocked();
    if (const IanaWhoisEntry* entry = FreshLocked(tld); entry != nullptr && !entry->refused) {
        return entry->server;
    }
    return std::nullopt;
}

const IanaWhoisEntry* IanaWhoisDirectory::FreshLocked(const std::string& tld) const {
    const auto found = m_entries.find(tld);
    if (found == m_entries.end()) {
        return nullptr;
    }
    const std::time_t age = Now() - found->second.checked;
    return age >= 0 && age < kIanaWhoisCacheSeconds ? &found->second : nullptr;
}

IanaLookup IanaWhoisDirectory::ServerFor(std::string_view tldText, const WhoisTransport& transport,
                                         const std::atomic<bool>* stop) {
    IanaLookup lookup;
    const std::string tld = NormalTld(tldText);
    if (!IsTldLabel(tld)) {
        lookup.reason = FailReason::NoServer;
        return lookup;
    }

    std::unique_lock lock(m_mutex);
    LoadLocked();
    for (;;) {
        if (const IanaWhoisEntry* entry = FreshLocked(tld)) {
            if (entry->refused) {
                return RefusedLookup();
            }
            lookup.ok = true;
            lookup.server = entry->server;
            return lookup;
        }
        const auto flying = m_flights.find(tld);
        if (flying == m_flights.end()) {
            break;
        }
        // Someone is asking IANA about this TLD: take their answer.
        const std::shared_ptr<Flight> flight = flying->second;
        while (!flight->done) {
            if (stop != nullptr && stop->load()) {
                lookup.failure = kMarkerTimeout;
                lookup.reason = FailReason::TimedOut;
                return lookup;
            }
            m_changed.wait_for(lock, std::chrono::milliseconds(100));
        }
        return flight->result;
    }

    auto flight = std::make_shared<Flight>();
    m_flights[tld] = flight;
    lock.unlock();

    std::string answer;
    try {
        answer = transport(ServerIana, tld, QueryHop::Registry);
    } catch (...) {
        // The look-up ends here for every row waiting on it, as an internal error.
        answer = kMarkerSocketErr;
    }
    if (IsFailureMarker(answer)) {
        lookup.failure = MarkerOf(answer);
        lookup.reason = FailReasonForMarker(answer);
    } else if (const IanaWhoisAnswer read = ReadIanaWhoisAnswer(answer);
               read.isTld && read.server.empty() && read.refusedHost) {
        lookup = RefusedLookup();
    } else if (read.isTld || read.unknownTld) {
        lookup.ok = true;
        lookup.server = read.server;
    } else {
        // A refusal or an empty answer says nothing about the TLD: not kept.
        lookup.reason =
            TrimBlanks(answer).empty() ? FailReason::EmptyAnswer : FailReason::BadAnswer;
    }

    lock.lock();
    if (lookup.ok) {
        IanaWhoisEntry entry{lookup.server, Now()};
        m_entries[tld] = entry;
        SaveLocked(tld, entry);
    } else if (lookup.reason == FailReason::ReferralRefused) {
        // Not written down: a later run asks again, this one does not.
        m_entries[tld] = IanaWhoisEntry{"", Now(), true};
    }
    flight->result = lookup;
    flight->done = true;
    m_flights.erase(tld);
    m_changed.notify_all();
    return lookup;
}
