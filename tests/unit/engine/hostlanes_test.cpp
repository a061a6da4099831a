// SPDX-License-Identifier: MIT
#include "engine/batch/hostlanes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <future>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

#include "engine/batch/querythread.h"
#include "engine/batch/rowqueue.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr auto kDeadline = 10s;

LaneRules Rules(int perHost, std::chrono::milliseconds interval = 0ms) {
    LaneRules rules;
    rules.perHost = perHost;
    rules.interval = interval;
    return rules;
}

// One attempt at a time per host; a refusal that names no wait pauses the
// host for first, doubling on each further one up to most.
LaneRules BackOffRules(std::chrono::milliseconds first,
                       std::chrono::milliseconds most = LaneRules{}.maxBackoff) {
    LaneRules rules = Rules(1);
    rules.firstBackoff = first;
    rules.maxBackoff = most;
    return rules;
}

// An attempt that answers with the verdicts given, one per call (the last
// repeats), and notes when each call began.
class ScriptedAttempt {
public:
    explicit ScriptedAttempt(std::vector<LaneVerdict> verdicts) : m_verdicts(std::move(verdicts)) {}

    LaneVerdict operator()() {
        std::lock_guard lock(m_mutex);
        m_starts.push_back(Clock::now());
        const std::size_t call = std::min(m_starts.size(), m_verdicts.size()) - 1;
        return m_verdicts[call];
    }
    std::vector<Clock::time_point> Starts() const {
        std::lock_guard lock(m_mutex);
        return m_starts;
    }

private:
    std::vector<LaneVerdict> m_verdicts;
    mutable std::mutex m_mutex;
    std::vector<Clock::time_point> m_starts;
};

std::vector<Clock::duration> Gaps(const std::vector<Clock::time_point>& starts) {
    std::vector<Clock::duration> gaps;
    for (std::size_t i = 1; i < starts.size(); ++i) {
        gaps.push_back(starts[i] - starts[i - 1]);
    }
    return gaps;
}

// A gate the attempts wait at until the test opens it.
class Gate {
public:
    void Enter() {
        std::unique_lock lock(m_mutex);
        ++m_inside;
        m_most = std::max(m_most, m_inside);
        m_changed.notify_all();
        m_changed.wait(lock, [&] { return m_open; });
        --m_inside;
    }
    bool WaitForInside(int count) {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, kDeadline, [&] { return m_inside >= count; });
    }
    void Open() {
        std::lock_guard lock(m_mutex);
        m_open = true;
        m_changed.notify_all();
    }
    int Most() {
        std::lock_guard lock(m_mutex);
        return m_most;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    int m_inside = 0;
    int m_most = 0;
    bool m_open = false;
};

TEST(HostLanes, NoMoreThanPerHostAttemptsAtOnceToOneHost) {
    for (const int perHost : {1, 3}) {
        SCOPED_TRACE(perHost);
        std::atomic<bool> stop{false};
        HostLanes lanes(Rules(perHost), &stop);
        Gate gate;
        std::vector<std::future<LaneResult>> runs;
        for (int i = 0; i < 6; ++i) {
            runs.push_back(std::async(std::launch::async, [&] {
                return lanes.Run("whois.a.example", [&] {
                    gate.Enter();
                    return LaneVerdict::Answered();
                });
            }));
        }
        ASSERT_TRUE(gate.WaitForInside(perHost));
        gate.Open();
        for (auto& run : runs) {
            ASSERT_EQ(run.wait_for(kDeadline), std::future_status::ready);
            EXPECT_EQ(run.get(), LaneResult::Done);
        }
        EXPECT_EQ(gate.Most(), perHost);
    }
}

TEST(HostLanes, OtherHostsAreNotHeldByABusyOne) {
    std::atomic<bool> stop{false};
    HostLanes lanes(Rules(1), &stop);
    Gate gate;
    auto busy = std::async(std::launch::async, [&] {
        return lanes.Run("whois.a.example", [&] {
            gate.Enter();
            return LaneVerdict::Answered();
        });
    });
    ASSERT_TRUE(gate.WaitForInside(1));
    EXPECT_EQ(lanes.Run("WHOIS.B.example", [] { return LaneVerdict::Answered(); }),
              LaneResult::Done);
    EXPECT_FALSE(lanes.TryAdmit("Whois.A.Example")) << "host names compare without case";
    gate.Open();
    EXPECT_EQ(busy.get(), LaneResult::Done);
}

TEST(HostLanes, StartsToOneHostKeepTheInterval) {
    std::atomic<bool> stop{false};
    HostLanes lanes(Rules(2, 60ms), &stop);
    ScriptedAttempt attempt({LaneVerdict::Answered()});
    const auto began = Clock::now();
    std::vector<std::future<LaneResult>> runs;
    for (int i = 0; i < 4; ++i) {
        runs.push_back(std::async(std::launch::async,
                                  [&] { return lanes.Run("whois.a.example", std::ref(attempt)); }));
    }
    for (auto& run : runs) {
        EXPECT_EQ(run.get(), LaneResult::Done);
    }
    auto starts = attempt.Starts();
    std::sort(starts.begin(), starts.end());
    // The n-th start comes no sooner than n intervals after the first could.
    // (Gaps between the attempts' own stamps would also count a thread put
    // aside between the lane's start and the attempt on a busy machine.)
    for (std::size_t n = 0; n < starts.size(); ++n) {
        EXPECT_GE(starts[n] - began, static_cast<int>(n) * 60ms) << n;
    }
}

TEST(HostLanes, RefusalWithoutANamedWaitBacksOffDoubling) {
    std::atomic<bool> stop{false};
    HostLanes lanes(BackOffRules(300ms, 310ms), &stop);
    const auto refused = LaneVerdict::Refused(std::nullopt);
    ScriptedAttempt attempt({refused, refused, refused, LaneVerdict::Answered()});
    EXPECT_EQ(lanes.Run("whois.a.example", std::ref(attempt)), LaneResult::Done);
    const auto gaps = Gaps(attempt.Starts());
    ASSERT_EQ(gaps.size(), 3u);
    EXPECT_GE(gaps[0], 300ms);
    EXPECT_GE(gaps[1], 310ms) << "capped";
    EXPECT_GE(gaps[2], 310ms);
    // Doubled past the cap it would be 1.2 s; the margin is for a busy machine.
    EXPECT_LT(gaps[2], 1200ms) << "not doubled past the cap";
}

TEST(HostLanes, FourRefusalsEndTheTries) {
    std::atomic<bool> stop{false};
    HostLanes lanes(BackOffRules(1ms, 2ms), &stop);
    ScriptedAttempt attempt({LaneVerdict::Refused(std::nullopt)});
    EXPECT_EQ(lanes.Run("whois.a.example", std::ref(attempt)), LaneResult::RateLimited);
    EXPECT_EQ(attempt.Starts().size(), 4u);
}

// A referral to a registrar is an extra: tried once, and not waited for
// while the registrar pauses after refusing; the registry's answer stands.
TEST(HostLanes, AnExtraIsTriedOnceAndSkippedWhileItsHostPauses) {
    std::atomic<bool> stop{false};
    HostLanes lanes(BackOffRules(10s), &stop);
    ScriptedAttempt refusing({LaneVerdict::Refused(std::nullopt)});
    const auto began = Clock::now();
    EXPECT_EQ(lanes.Run("whois.registrar.example", std::ref(refusing), LanePatience::Extra()),
              LaneResult::RateLimited);
    EXPECT_EQ(refusing.Starts().size(), 1u);

    ScriptedAttempt later({LaneVerdict::Answered()});
    EXPECT_EQ(lanes.Run("whois.registrar.example", std::ref(later), LanePatience::Extra()),
              LaneResult::RateLimited);
    EXPECT_TRUE(later.Starts().empty()) << "the paused host is not asked";
    EXPECT_LT(Clock::now() - began, 5s) << "nobody waited for the pause";
}

TEST(HostLanes, NamedWaitIsWaitedAndKeptAsTheGap) {
    std::atomic<bool> stop{false};
    HostLanes lanes(Rules(1), &stop);
    ScriptedAttempt first({LaneVerdict::Refused(1), LaneVerdict::Answered()});
    EXPECT_EQ(lanes.Run("whois.a.example", std::ref(first)), LaneResult::Done);
    ScriptedAttempt second({LaneVerdict::Answered()});
    EXPECT_EQ(lanes.Run("whois.a.example", std::ref(second)), LaneResult::Done);

    const auto starts = first.Starts();
    ASSERT_EQ(starts.size(), 2u);
    EXPECT_GE(starts[1] - starts[0], 1s);
    ASSERT_EQ(second.Starts().size(), 1u);
    EXPECT_GE(second.Starts()[0] - starts[1], 1s) << "the named wait stays the gap";
}

// One policy caps the waits both protocols name: a wait named in a WHOIS
// answer at an hour, an HTTP Retry-After at a minute (the margin added).
TEST(HostLanes, NamedWaitsAreCutToTheirCaps) {
    HostLanes lanes(LaneRules{}, nullptr);
    const LanePatience once{1, {}};
    const struct {
        const char* host;
        LaneVerdict verdict;
        std::chrono::seconds pause;
    } cases[] = {
        {"whois.short.example", LaneVerdict::Refused(90), 90s},
        {"whois.long.example", LaneVerdict::Refused(7200), 3600s},
        {"rdap.short.example", LaneVerdict::RefusedRetryAfter(30), 30s},
        {"rdap.long.example", LaneVerdict::RefusedRetryAfter(3600), 60s},
        {"rdap.negative.example", LaneVerdict::RefusedRetryAfter(-5), 0s},
    };
    for (const auto& c : cases) {
        ScriptedAttempt refused({c.verdict});
        const auto before = Clock::now();
        ASSERT_EQ(lanes.Run(c.host, std::ref(refused), once), LaneResult::RateLimited) << c.host;
        const auto after = Clock::now();
        const auto margin = LaneRules{}.namedWaitMargin;
        EXPECT_GE(lanes.ReadyAt(c.host), before + c.pause + margin) << c.host;
        EXPECT_LE(lanes.ReadyAt(c.host), after + c.pause + margin) << c.host;
    }
}

// The gap a named wait set halves after every ten calm answers, back down
// to the interval: one refusal does not slow the rest of the batch. Named
// waits are cut to nothing here, so the gap is the margin alone (100 ms).
TEST(HostLanes, GapSetByANamedWaitDecaysAfterCalmAnswers) {
    std::atomic<bool> stop{false};
    LaneRules rules = Rules(1, 10ms);
    rules.maxNamedWait = std::chrono::seconds(0);
    rules.namedWaitMargin = 100ms;
    HostLanes lanes(rules, &stop);
    ScriptedAttempt refused({LaneVerdict::Refused(120), LaneVerdict::Answered()});
    ASSERT_EQ(lanes.Run("rdap.a.example", std::ref(refused)), LaneResult::Done);
    ScriptedAttempt calm({LaneVerdict::Answered()});
    for (int n = 0; n < 40; ++n) {
        ASSERT_EQ(lanes.Run("rdap.a.example", std::ref(calm)), LaneResult::Done);
    }
    // Starts: the retry (answer 1), then answers 2..41; gaps[i] precedes answer i + 2.
    std::vector<Clock::time_point> starts = refused.Starts();
    const auto more = calm.Starts();
    starts.insert(starts.end(), more.begin(), more.end());
    const auto gaps = Gaps(starts);
    ASSERT_EQ(gaps.size(), 41u);
    EXPECT_GE(gaps[0], 100ms) << "the named wait is held";
    const auto slowest = [&](std::size_t from, std::size_t to) {
        return *std::min_element(gaps.begin() + static_cast<std::ptrdiff_t>(from),
                                 gaps.begin() + static_cast<std::ptrdiff_t>(to));
    };
    // Each gap is a least time; what ran in between only adds to it, so the
    // middle of a run of gaps is compared, not its largest.
    const auto median = [&](std::size_t from, std::size_t to) {
        std::vector<Clock::duration> run(gaps.begin() + static_cast<std::ptrdiff_t>(from),
                                         gaps.begin() + static_cast<std::ptrdiff_t>(to));
        std::nth_element(run.begin(), run.begin() + static_cast<std::ptrdiff_t>(run.size() / 2),
                         run.end());
        return run[run.size() / 2];
    };
    EXPECT_GE(slowest(1, 9), 100ms) << "the first ten answers keep the wide gap";
    EXPECT_GE(slowest(10, 19), 50ms) << "halved after ten answers, not more";
    EXPECT_LT(median(10, 19), 90ms);
    EXPECT_LT(median(20, 29), 45ms) << "halved again after twenty";
    EXPECT_LT(median(32, 41), 25ms) << "back near the interval";
    EXPECT_GE(slowest(32, 41), 10ms) << "never below the interval";
}

// A refusal after the decay began widens the gap again and starts the count anew.
TEST(HostLanes, ARefusalRestartsTheDecay) {
    std::atomic<bool> stop{false};
    LaneRules rules = Rules(1);
    rules.maxNamedWait = std::chrono::seconds(0);
    rules.namedWaitMargin = 60ms;
    rules.calmRun = 3;
    HostLanes lanes(rules, &stop);
    ScriptedAttempt attempt({LaneVerdict::Refused(5), LaneVerdict::Answered(),
                             LaneVerdict::Answered(), LaneVerdict::Refused(5),
                             LaneVerdict::Answered(), LaneVerdict::Answered(),
                             LaneVerdict::Answered(), LaneVerdict::Answered()});
    ASSERT_EQ(lanes.Run("h", std::ref(attempt)), LaneResult::Done); // refused, answered
    ASSERT_EQ(lanes.Run("h", std::ref(attempt)), LaneResult::Done); // answered
    ASSERT_EQ(lanes.Run("h", std::ref(attempt)), LaneResult::Done); // refused, answered
    for (int n = 0; n < 3; ++n) {
        ASSERT_EQ(lanes.Run("h", std::ref(attempt)), LaneResult::Done);
    }
    const auto gaps = Gaps(attempt.Starts());
    ASSERT_EQ(gaps.size(), 7u);
    // Only two calm answers came before the second refusal: the gap never halved.
    for (std::size_t i = 0; i < 6; ++i) {
        EXPECT_GE(gaps[i], 60ms) << i;
    }
}

// A refusal without a named wait leaves the first back-off as the host's
// gap: the query waiting behind the retried one is not asked right after it.
TEST(HostLanes, RefusalWithoutANamedWaitKeepsTheFirstBackOffAsTheGap) {
    std::atomic<bool> stop{false};
    HostLanes lanes(BackOffRules(150ms, 1s), &stop);
    ScriptedAttempt first({LaneVerdict::Refused(std::nullopt), LaneVerdict::Answered()});
    EXPECT_EQ(lanes.Run("whois.a.example", std::ref(first)), LaneResult::Done);
    ScriptedAttempt second({LaneVerdict::Answered()});
    EXPECT_EQ(lanes.Run("whois.a.example", std::ref(second)), LaneResult::Done);

    ASSERT_EQ(first.Starts().size(), 2u);
    ASSERT_EQ(second.Starts().size(), 1u);
    EXPECT_GE(second.Starts()[0] - first.Starts()[1], 150ms);
}

TEST(HostLanes, ResetCountsAsARefusalOnlyRightAfterOne) {
    struct Case {
        const char* name;
        std::vector<LaneVerdict> verdicts;
        LaneResult result;
        std::size_t tries;
    };
    const auto reset = LaneVerdict::ResetAtConnect();
    const Case cases[] = {
        {"reset_alone", {reset}, LaneResult::Done, 1},
        {"reset_after_refusal",
         {LaneVerdict::Refused(std::nullopt), reset, LaneVerdict::Answered()},
         LaneResult::Done,
         3},
        {"resets_after_refusal_use_up_the_tries",
         {LaneVerdict::Refused(std::nullopt), reset},
         LaneResult::RateLimited,
         4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::atomic<bool> stop{false};
        HostLanes lanes(BackOffRules(1ms), &stop);
        ScriptedAttempt attempt(c.verdicts);
        EXPECT_EQ(lanes.Run("whois.a.example", std::ref(attempt)), c.result);
        EXPECT_EQ(attempt.Starts().size(), c.tries);
    }
}

TEST(HostLanes, StopEndsAPauseAtOnceAndThePauseIsReported) {
    std::atomic<bool> stop{false};
    HostLanes lanes(BackOffRules(4min), &stop);
    std::promise<void> refusedOnce;
    auto run = std::async(std::launch::async, [&] {
        bool first = true;
        return lanes.Run("whois.a.example", [&] {
            if (first) {
                first = false;
                refusedOnce.set_value();
            }
            return LaneVerdict::Refused(std::nullopt);
        });
    });
    refusedOnce.get_future().wait();
    // The host now waits four minutes; other hosts do not.
    EXPECT_EQ(lanes.Run("whois.b.example", [] { return LaneVerdict::Answered(); }),
              LaneResult::Done);
    EXPECT_EQ(lanes.ReadyAt("whois.b.example") <= Clock::now(), true);

    stop = true;
    lanes.Wake();
    ASSERT_EQ(run.wait_for(2s), std::future_status::ready);
    EXPECT_EQ(run.get(), LaneResult::Stopped);
    const auto wait = lanes.LongestWait({"whois.a.example"});
    ASSERT_TRUE(wait.has_value());
    EXPECT_EQ(wait->host, "whois.a.example");
    EXPECT_GT(wait->left, 3min);
    EXPECT_FALSE(lanes.LongestWait({"whois.b.example"}).has_value());
}

TEST(HostLanes, AdmittedPlaceIsTakenUntilUsedOrCancelled) {
    std::atomic<bool> stop{false};
    HostLanes lanes(Rules(1), &stop);
    ASSERT_TRUE(lanes.TryAdmit("whois.a.example"));
    EXPECT_FALSE(lanes.TryAdmit("whois.a.example"));
    EXPECT_EQ(lanes.ReadyAt("whois.a.example"), Clock::time_point::max());
    lanes.Cancel("whois.a.example");
    ASSERT_TRUE(lanes.TryAdmit("whois.a.example"));
    EXPECT_EQ(lanes.RunAdmitted("whois.a.example", [] { return LaneVerdict::Answered(); }),
              LaneResult::Done);
    EXPECT_TRUE(lanes.TryAdmit("whois.a.example")) << "the place came back after the attempt";
}

TEST(HostLanes, ThrowingAttemptGivesItsPlaceBack) {
    std::atomic<bool> stop{false};
    HostLanes lanes(Rules(1), &stop);
    EXPECT_THROW(
        lanes.Run("whois.a.example", []() -> LaneVerdict { throw std::runtime_error("fault"); }),
        std::runtime_error);
    EXPECT_TRUE(lanes.TryAdmit("whois.a.example"));
}

// A queue's rows taken through lanes of one attempt at a time per host.
class RowQueueTest : public ::testing::Test {
protected:
    // The index of the row the queue hands out next, or -1 when none is ready.
    std::int32_t NextIndex(RowQueue& queue) {
        const auto row = queue.TakeReady(lanes, wakeAt);
        return row ? row->index : -1;
    }

    std::atomic<bool> stop{false};
    HostLanes lanes{Rules(1), &stop};
    Clock::time_point wakeAt;
};

TEST_F(RowQueueTest, TakesTheLowestRowWhoseHostAdmits) {
    RowQueue queue({{0, "a", {}}, {1, "a", {}}, {2, "b", {}}, {3, "", {}}, {4, "B", {}}}, 2);
    std::vector<std::int32_t> taken;
    while (auto row = queue.TakeReady(lanes, wakeAt)) {
        taken.push_back(row->index);
    }
    // a and b are busy with rows 0 and 2; the row without a host needs no lane.
    EXPECT_EQ(taken, (std::vector<std::int32_t>{0, 2, 3}));
    EXPECT_EQ(wakeAt, Clock::time_point::max()) << "only a finished query frees a lane";
    EXPECT_EQ(queue.Hosts(), (std::vector<std::string>{"a", "b"}));

    lanes.Cancel("b");
    EXPECT_EQ(NextIndex(queue), 4) << "b is free before a";
    lanes.Cancel("a");
    EXPECT_EQ(NextIndex(queue), 1);
    EXPECT_TRUE(queue.Empty());
}

TEST_F(RowQueueTest, GroupKeepsNoMoreRowsUnderWayThanItsLimit) {
    RowQueue queue({{0, "a", {}}, {1, "a", {}}, {2, "a", {}}, {3, "b", {}}}, 2);
    // Each row's first question is over (its place given back), but the
    // rows themselves are still under way, asking referral hosts.
    for (const std::int32_t expected : {0, 1, 3}) {
        auto row = queue.TakeReady(lanes, wakeAt);
        ASSERT_TRUE(row.has_value());
        EXPECT_EQ(row->index, expected);
        lanes.Cancel(row->host);
    }
    EXPECT_FALSE(queue.TakeReady(lanes, wakeAt).has_value()) << "a has two rows under way";
    queue.Finished("A");
    EXPECT_EQ(NextIndex(queue), 2);
}

// Rows whose server is not known yet (IANA will name it) have no lane but
// share their group's limit, so one TLD's rows cannot take every worker.
TEST_F(RowQueueTest, RowsOfAGroupWithoutAHostShareItsLimit) {
    RowQueue queue({{0, "", "tld:io"}, {1, "", "tld:io"}, {2, "", "tld:io"}, {3, "a", "tld:zz"}},
                   2);
    std::vector<std::int32_t> taken;
    std::vector<std::string> groups;
    while (auto row = queue.TakeReady(lanes, wakeAt)) {
        taken.push_back(row->index);
        groups.push_back(row->group);
        EXPECT_EQ(row->host, row->index == 3 ? "a" : "") << row->index;
    }
    EXPECT_EQ(taken, (std::vector<std::int32_t>{0, 1, 3}));
    EXPECT_EQ(groups, (std::vector<std::string>{"tld:io", "tld:io", "tld:zz"}));
    EXPECT_EQ(queue.Hosts(), (std::vector<std::string>{})) << "a has no rows waiting";
    queue.Finished("tld:io");
    EXPECT_EQ(NextIndex(queue), 2);
    EXPECT_TRUE(queue.Empty());
}

// A row waiting only on its registrar leaves the group's rows under way for
// the rows in extra questions, which have a limit of their own.
TEST_F(RowQueueTest, RowsInExtraQuestionsHaveTheirOwnLimit) {
    std::vector<RowQueue::Row> rows;
    for (std::int32_t index = 0; index < 8; ++index) {
        rows.push_back({index, "a", {}});
    }
    RowQueue queue(rows, 1, 3);
    std::vector<std::int32_t> taken;
    for (int n = 0; n < 3; ++n) {
        auto row = queue.TakeReady(lanes, wakeAt);
        ASSERT_TRUE(row.has_value());
        taken.push_back(row->index);
        lanes.Cancel(row->host);
        EXPECT_FALSE(queue.TakeReady(lanes, wakeAt).has_value()) << "the row is under way";
        EXPECT_TRUE(queue.StartExtra(row->group)) << "room among the extras";
    }
    auto fourth = queue.TakeReady(lanes, wakeAt);
    ASSERT_TRUE(fourth.has_value()) << "three rows in extras hold no place under way";
    lanes.Cancel(fourth->host);
    EXPECT_FALSE(queue.StartExtra("a")) << "the extras are full: the row keeps its place";
    EXPECT_FALSE(queue.TakeReady(lanes, wakeAt).has_value());
    queue.Finished("a", true);
    EXPECT_TRUE(queue.StartExtra("a"));
    auto fifth = queue.TakeReady(lanes, wakeAt);
    ASSERT_TRUE(fifth.has_value());
    EXPECT_EQ(fifth->index, 4);
    lanes.Cancel(fifth->host);
    queue.Finished("a", false);
    EXPECT_TRUE(queue.TakeReady(lanes, wakeAt).has_value()) << "a row under way finished";
}

TEST(RowQueue, ExtraRowsPerRegistryRule) {
    EXPECT_EQ(ExtraRowsPerRegistry(1, 16), 8);
    EXPECT_EQ(ExtraRowsPerRegistry(2, 64), 32);
    EXPECT_EQ(ExtraRowsPerRegistry(4, 16), 7) << "a worker stays free for other registries";
    EXPECT_EQ(ExtraRowsPerRegistry(1, 3), 0) << "too few workers: rows stay under way";
    EXPECT_EQ(ExtraRowsPerRegistry(0, 0), 0);
}

TEST(RowQueue, PausedHostSetsTheWakeTime) {
    std::atomic<bool> stop{false};
    HostLanes lanes(Rules(1, 500ms), &stop);
    RowQueue queue({{0, "a", {}}, {1, "a", {}}}, 2);
    Clock::time_point wakeAt;
    ASSERT_TRUE(queue.TakeReady(lanes, wakeAt).has_value());
    lanes.Cancel("a");
    const auto before = Clock::now();
    EXPECT_FALSE(queue.TakeReady(lanes, wakeAt).has_value());
    EXPECT_GT(wakeAt, before + 400ms);
    EXPECT_LE(wakeAt, before + 500ms);
}

} // namespace
