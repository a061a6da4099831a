// SPDX-License-Identifier: MIT
#pragma once

// The lanes of a batch: one per host a query goes to. A lane admits a query
// when fewer than `perHost` of its queries are open and the host's gap since
// the last start has passed; after a refusal it pauses (the wait the server
// named, cut to its cap, else a back-off that doubles) and the query is asked
// again, at most `maxTries` times in all. These rules are the one retry and
// wait policy of both protocols: the adapters only say what was refused. The pause holds every
// query waiting for the host, and the gap grows to the named wait, else the first back-off, so the
// waiting queries are not asked in a burst once it ends. Registries do not mind parallel work
// across hosts; what they punish is many connections or fast repeats to one.
//
// Run is generic: the attempt does the request (a WHOIS query, an HTTP
// request), keeps its result and says whether the host refused, so any
// protocol's requests can share the lanes. Every wait ends at once on stop.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

struct LaneVerdict {
    enum class Kind {
        Answered,       // anything but a refusal, failures included
        Refused,        // the host refused for its rate limit
        ResetAtConnect, // reset before any answer: a refusal if the host refused just before
    };
    Kind kind = Kind::Answered;
    std::optional<int> waitSeconds; // Refused: the wait the host named, if any, uncut
    bool retryAfter = false;        // the wait came in an HTTP Retry-After header

    [[nodiscard]] static LaneVerdict Answered() { return {}; }
    // A refusal in a WHOIS answer, with the wait it names in words.
    [[nodiscard]] static LaneVerdict Refused(std::optional<int> waitSeconds) {
        return {Kind::Refused, waitSeconds};
    }
    // An HTTP 429, with its Retry-After.
    [[nodiscard]] static LaneVerdict RefusedRetryAfter(std::optional<int> waitSeconds) {
        return {Kind::Refused, waitSeconds, true};
    }
    [[nodiscard]] static LaneVerdict ResetAtConnect() { return {Kind::ResetAtConnect, {}}; }
};

enum class LaneResult {
    Done,        // the last attempt's result stands
    RateLimited, // every try was refused
    Stopped,     // a stop request ended a wait; no attempt result to keep
};

struct LaneRules {
    using Ms = std::chrono::milliseconds;
    int perHost = 1;                         // queries open at once to one host
    Ms interval{0};                          // least time between two starts to one host
    Ms firstBackoff{15'000};                 // pause after a refusal that names no wait ...
    Ms maxBackoff{300'000};                  // ... doubling on each further refusal up to this
    Ms namedWaitMargin{200};                 // added to a named wait for the way to the server
    std::chrono::seconds maxNamedWait{3600}; // a longer wait named in an answer is taken as this
    std::chrono::seconds maxRetryAfter{60};  // a longer Retry-After is taken as this
    int maxTries = 4;
    int calmRun = 10; // answers without a refusal after which a widened gap halves
};

// How much a caller will wait for its answer. A registry's own question
// waits for its lane and is asked again after refusals; a referral to a
// registrar's server is an extra, so it is tried once and not waited for
// while its host pauses long after a refusal (the registry's answer stands).
struct LanePatience {
    using Ms = std::chrono::milliseconds;
    int maxTries = 0; // 0: the rules' maxTries
    // Give up at once when the host pauses after a refusal for longer than this.
    std::optional<Ms> longestPause;

    [[nodiscard]] static LanePatience Full() { return {}; }
    [[nodiscard]] static LanePatience Extra() { return {1, Ms(2'000)}; }
};

struct LaneWait {
    std::string host;
    std::chrono::milliseconds left{0};
};

class HostLanes {
public:
    using Clock = std::chrono::steady_clock;

    // `stop` ends every wait; `onChange` is called (without a lock held) when
    // a lane may admit again, so a dispatcher waiting for one can look again.
    HostLanes(LaneRules rules, const std::atomic<bool>* stop, std::function<void()> onChange = {});
    HostLanes(const HostLanes&) = delete;
    HostLanes& operator=(const HostLanes&) = delete;

    // Runs `attempt` once the host's lane admits it, again after each refusal.
    // Thread-safe; blocks the caller while the lane makes it wait.
    LaneResult Run(const std::string& host, const std::function<LaneVerdict()>& attempt,
                   LanePatience patience = LanePatience::Full());
    // The same with the first try's place already taken by TryAdmit.
    LaneResult RunAdmitted(const std::string& host, const std::function<LaneVerdict()>& attempt);

    // Takes a place in the lane when it admits a query now (and no query
    // waiting inside Run is before it); the caller then uses RunAdmitted or
    // gives the place back with Cancel.
    [[nodiscard]] bool TryAdmit(const std::string& host);
    void Cancel(const std::string& host);
    // When TryAdmit may succeed next: a time (perhaps past), or max() while
    // every place is taken or a query inside Run waits for the lane.
    [[nodiscard]] Clock::time_point ReadyAt(const std::string& host) const;

    // The host whose lane keeps a query waiting longest, among hosts with a
    // query inside Run and the hosts in `wanted` (rows queued for them).
    [[nodiscard]] std::optional<LaneWait>
    LongestWait(const std::vector<std::string>& wanted = {}) const;

    // Wakes every wait inside Run so it sees the stop request (onChange is
    // not called).
    void Wake();

private:
    struct Host {
        int open = 0;                // attempts under way
        int waiting = 0;             // callers inside Run waiting to start
        Clock::time_point nextStart; // no start before this
        Clock::duration gap{};       // least time between two starts
        int backoffLevel = 0;        // refusals without a named wait since the last answer
        bool refusedLast = false;
        int calmAnswers = 0; // answers since the gap last changed, while it is widened
    };

    LaneResult Loop(const std::string& host, const std::function<LaneVerdict()>& attempt,
                    bool admitted, LanePatience patience);
    Host& HostFor(const std::string& host);
    [[nodiscard]] const Host* FindHost(const std::string& host) const;
    void Start(Host& lane, Clock::time_point now);
    void Pause(Host& lane, const LaneVerdict& verdict, Clock::time_point now);
    void Calm(Host& lane);
    void Changed();

    const LaneRules m_rules;
    const std::atomic<bool>* m_stop;
    std::function<void()> m_onChange;
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::map<std::string, Host> m_hosts; // by lower-cased host name
};
