#pragma once

// The number at the start of a text, as the days box is read: leading blanks
// and one sign allowed, reading stops at the first non-digit, 0 when there is
// no number. Values beyond the 32-bit range are clamped.

#include <string_view>

[[nodiscard]] int ParseLeadingInt(std::string_view text);
