// SPDX-License-Identifier: MIT
// The date reader: any text a registry writes where a date belongs.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/ccore.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::string date = CCore::parseDate1(text);
    const auto value = CCore::parseDateValue(text);
    // A date that was read comes back in the one export form.
    if (value && (value->month < 1 || value->month > 12 || value->day < 1 || value->day > 31)) {
        __builtin_trap();
    }
    (void)date;
    return 0;
}
