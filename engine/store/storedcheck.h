// SPDX-License-Identifier: MIT
#pragma once

// One check of one name as the results store keeps it, and what changed
// between two checks of the same name. Plain data and pure functions.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/store/checkvalues.h"

struct StoredCheck {
    std::string domainAscii;   // the A-label form, the store's key
    std::string domainUnicode; // as shown (the same text for an ASCII name)
    std::int64_t askedAt = 0;  // when the row finished, Unix seconds (UTC)
    std::uint8_t protocol = 0; // QueryProtocol's value: 0 none, 1 port 43, 2 RDAP
    std::string server;        // the host that answered
    std::int32_t status = 0;   // QueryStatus's value
    std::uint8_t reason = 0;   // FailReason's value, 0 for none
    CheckValues values;        // whole, UTF-8
    std::string answer;        // the raw answer (stored compressed, once per distinct text)
    // Bit (1 << ChangeKind) for each change from the name's previous check
    // that states the name's state; the store sets it as the check is added.
    std::uint8_t changes = 0;
};

// A difference from the name's previous check. Only checks that state the
// name's state (Found or NotRegistered) are compared; a failed check is
// history but never a change.
enum class ChangeKind : std::uint8_t {
    Registered,   // "已注册": was not registered, now registered
    Released,     // "已释放": was registered, now not registered
    Renewed,      // "已续费": expiry date later
    Transferred,  // "已转移": registrar changed
    OwnerChanged, // "所有人变更"
};
inline constexpr int kChangeKindCount = static_cast<int>(ChangeKind::OwnerChanged) + 1;

// UTF-8, as the list and the desktop show it.
[[nodiscard]] std::string_view ChangeKindChinese(ChangeKind kind);
// "registered", "released", "renewed", "transferred", "owner": for the
// command line's summary and scripts.
[[nodiscard]] std::string_view ChangeKindKey(ChangeKind kind);

// The changes from `previous` to `current`, in the enum's order; empty when
// either check does not state the name's state.
[[nodiscard]] std::vector<ChangeKind> ChangesBetween(const StoredCheck& previous,
                                                     const StoredCheck& current);
// The field names that differ, for JSONL's "changed": any of "status",
// "expiry", "registrar", "owner"; empty under the same rule as above.
[[nodiscard]] std::vector<std::string_view> ChangedFields(const StoredCheck& previous,
                                                          const StoredCheck& current);
// The kinds whose bits `changes` holds, in the enum's order.
[[nodiscard]] std::vector<ChangeKind> ChangeKindsOf(std::uint8_t changes);
[[nodiscard]] std::uint8_t ChangeBits(const std::vector<ChangeKind>& changes);
// The changes joined for display ("已续费、已转移"); "" for none.
[[nodiscard]] std::string ChangesChinese(const std::vector<ChangeKind>& changes);
