// SPDX-License-Identifier: MIT
#pragma once

// Between the results store and the desktop's table: a row's result as a
// check, a stored check shown in a row, the working list's identity (the key
// of its resume position), and the store's notices to the user.

#include "engine/store/storedcheck.h"

#include <cstdint>
#include <string>
#include <vector>

struct DomainTable;
class QWidget;

// The row's result as the list shows it, as a check (no answer): its status,
// reason, protocol, server, time and whole values. Read only a row no
// worker writes.
[[nodiscard]] StoredCheck ShownCheck(const DomainTable& table, std::int32_t index);

// Shows `check` in row `index`: its values cut into the row's GBK fields,
// its status and server, and its whole values, reason, protocol and time in
// the row's details (the answer stays in the store). The row is finished.
void ShowCheckInRow(DomainTable& table, std::int32_t index, const StoredCheck& check);

// The settings key beside "lastindex" naming the list that position belongs
// to (WorkingListIdentity). A "lastindex" without it was saved by an earlier
// version, for the working list of then.
inline constexpr const char* kLastListKey = "lastlist";

// The table's names (A-labels), in order.
[[nodiscard]] std::vector<std::string> TableNames(const DomainTable& table);
// The working list's identity: its path and its names.
[[nodiscard]] std::string WorkingListIdentity(const DomainTable& table);

// What the store has to tell the user (moved aside, cannot be written), each
// text once, in one box owned by `owner`; nothing when there is nothing new.
void ShowStoreNotices(QWidget* owner);

// The change kinds of `changes` (ChangeKind bits) as the "变化" column shows them.
[[nodiscard]] std::string ChangesText(std::uint8_t changes);
