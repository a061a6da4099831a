// SPDX-License-Identifier: MIT
#pragma once

// Values as the list, the CSV and JSONL show them: a recipe cuts a value out
// of an answer with whatever padding, line-end marks ("^") and stray control
// bytes lay around it; these turn it into the clean text a row's result
// holds (in UTF-8; the table stores its GBK copy).

#include <string>
#include <string_view>

#include "core/ccore.h"

// On UTF-8 text (a byte of a multi-byte character is never taken for "^",
// a blank or a control byte; an ill-formed byte is kept): control bytes
// other than TAB, CR and LF (ESC, BEL, DEL, ...) become blanks; leading and
// trailing blanks, TABs, CR, LF and "^" are dropped; inside, each run of
// blanks, TABs, CR, LF and "^" that holds a "^", CR or LF (a line end)
// becomes one blank, and a TAB elsewhere becomes a blank.
//   "             31-Jul-2027^^"  ->  "31-Jul-2027"
//   "DNS Admin^^Registrant Org"   ->  "DNS Admin Registrant Org"
[[nodiscard]] std::string CleanValue(std::string_view utf8);

// A registry's placeholder for a withheld value: anything holding
// "REDACTED" (any case), "Data Protected", "Not Disclosed", "GDPR Masked",
// "Statutory Masking Enabled" and the like. A privacy service's own name
// ("Withheld for Privacy", "Domains By Proxy, LLC") is a value.
[[nodiscard]] bool IsRedactedValue(std::string_view text);

// CleanValue, then "YYYY-MM-DD" when CCore::parseDate1 reads the date in the
// given order; otherwise the clean text.
[[nodiscard]] std::string CleanDateValue(std::string_view utf8, DateOrder order = DateOrder::Usual);
