// SPDX-License-Identifier: MIT
// One line of a domain list: normalised and judged in every encoding, and a
// stored name spelt back into every list-file format.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/text.h"
#include "formats/linenormalize.h"
#include "formats/listname.h"

namespace {

bool IsWireText(std::string_view name) {
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F || byte >= 0x80) {
            return false;
        }
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view line(reinterpret_cast<const char*>(data), size);
    for (const ListEncoding encoding :
         {ListEncoding::Ascii, ListEncoding::Gbk, ListEncoding::Utf8}) {
        (void)NormalizeListLine(line, encoding);
        std::string name;
        if (ListNameFromLine(line, encoding, name) != ListLineVerdict::Name) {
            continue;
        }
        // What reaches a row, and so a server, is ASCII without control bytes
        // and fits the domain field.
        if (!IsWireText(name) || name.size() > 40) {
            __builtin_trap();
        }
        for (const ListFormat format :
             {ListFormat{ListEncoding::Ascii, false}, ListFormat{ListEncoding::Gbk, false},
              ListFormat{ListEncoding::Utf8, true}}) {
            // A list file holds the stored name itself or a spelling that
            // reads back as it.
            const std::string spelt = ListFileSpelling(name, format);
            std::string again;
            if (spelt != name &&
                (ListNameFromLine(spelt, format.encoding, again) != ListLineVerdict::Name ||
                 again != name)) {
                __builtin_trap();
            }
        }
    }
    return 0;
}
