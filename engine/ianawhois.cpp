#include "engine/ianawhois.h"

#include <chrono>
#include <sstream>

#include "core/atomicfile.h"
#include "core/readfile.h"
#include "core/text.h"
#include "engine/rdaptext.h"
#include "engine/whoisclient.h"

namespace {

constexpr std::size_t kMaxCacheBytes = 1u << 20;

// A server name as IANA writes one: letters, digits, hyphens and dots.
bool IsHostName(std::string_view text) {
    if (text.empty() || text.size() > 253 || text.find('.') == std::string_view::npos ||
        text.front() == '.' || text.front() == '-') {
        return false;
    }
    for (const char c : text) {
        const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                        (c >= '0' && c <= '9') || c == '-' || c == '.';
        if (!ok) {
            return false;
        }
    }
    return true;
}

bool IsTldLabel(std::string_view text) {
    return !text.empty() && text.size() <= 63 && text.find('.') == std::string_view::npos &&
           IsHostName(std::string(text) + ".x");
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
        } else if (!IsHostName(server)) {
            continue;
        }
        auto& entry = entries[AsciiLower(tld)];
        if (static_cast<std::time_t>(checked) >= entry.checked) {
            entry.server = server;
            entry.checked = static_cast<std::time_t>(checked);
        }
    }
}

std::string FormatCache(const std::map<std::string, IanaWhoisEntry>& entries) {
    std::string text = "# TLD, port-43 server (none: no server) and when IANA said so\n";
    for (const auto& [tld, entry] : entries) {
        text += tld + " " + (entry.server.empty() ? std::string("none") : entry.server) + " " +
                std::to_string(static_cast<long long>(entry.checked)) + "\n";
    }
    return text;
}

} // namespace

IanaWhoisAnswer ReadIanaWhoisAnswer(std::string_view answer) {
    IanaWhoisAnswer out;
    std::string refer;
    std::string whois;
    while (!answer.empty()) {
        const auto end = answer.find('\n');
        std::string_view line = answer.substr(0, end);
        answer = end == std::string_view::npos ? std::string_view{} : answer.substr(end + 1);
        const auto colon = line.find(':');
        if (colon == std::string_view::npos || line.starts_with('%') || line.starts_with('#')) {
            continue;
        }
        const std::string_view key = TrimBlanks(line.substr(0, colon));
        const std::string_view value = TrimBlanks(line.substr(colon + 1));
        if (EqualsNoCase(key, "domain")) {
            out.isTld = true;
        } else if (EqualsNoCase(key, "whois") && whois.empty() && IsHostName(value)) {
            whois = AsciiLower(value);
        } else if (EqualsNoCase(key, "refer") && refer.empty() && IsHostName(value)) {
            refer = AsciiLower(value);
        }
    }
    out.server = !whois.empty() ? whois : refer;
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
    // Another process may have added TLDs since this one read the file.
    std::map<std::string, IanaWhoisEntry> merged;
    std::string text;
    if (ReadSmallFile(m_cacheFile, text, nullptr, kMaxCacheBytes)) {
        ParseCache(text, merged);
    }
    for (const auto& [name, known] : m_entries) {
        auto& slot = merged[name];
        if (known.checked >= slot.checked) {
            slot = known;
        }
    }
    merged[tld] = entry;
    (void)WriteFileAtomically(m_cacheFile, FormatCache(merged)); // a lost cache is asked again
}

IanaLookup IanaWhoisDirectory::ServerFor(std::string_view tldText, const WhoisTransport& transport,
                                         const std::atomic<bool>* stop) {
    IanaLookup lookup;
    std::string tld = AsciiLower(TrimBlanks(tldText));
    while (!tld.empty() && tld.front() == '.') {
        tld.erase(0, 1);
    }
    if (!IsTldLabel(tld)) {
        lookup.reason = FailReason::NoServer;
        return lookup;
    }

    std::unique_lock lock(m_mutex);
    LoadLocked();
    for (;;) {
        const std::time_t now = Now();
        if (const auto found = m_entries.find(tld); found != m_entries.end()) {
            const std::time_t age = now - found->second.checked;
            if (age >= 0 && age < kIanaWhoisCacheSeconds) {
                lookup.ok = true;
                lookup.server = found->second.server;
                return lookup;
            }
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

    const std::string answer = transport(ServerIana, tld, QueryHop::Registry);
    if (IsFailureMarker(answer)) {
        lookup.failure = answer;
        lookup.reason = FailReasonForMarker(answer);
    } else if (const IanaWhoisAnswer read = ReadIanaWhoisAnswer(answer); read.isTld) {
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
    }
    flight->result = lookup;
    flight->done = true;
    m_flights.erase(tld);
    m_changed.notify_all();
    return lookup;
}
