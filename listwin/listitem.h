// SPDX-License-Identifier: MIT
#pragma once

// What the list shows for one table row: the one place a row's fields become
// cell texts, its status text and tip, and its day numbers.

#include "listwin/listctrlmodel.h"

#include <cstdint>

struct DomainTable;

// Row `index` of `table`. A row not finished shows its domain and server
// only. A finished row shows every result cell, also when the registry gave
// no answer: an Error row "ERR!" with the reason as its tip, a row without a
// server "无whois服务器".
[[nodiscard]] CListCtrlModel::Item ListItemForRow(const DomainTable& table, std::int32_t index,
                                                  bool finished);
