// SPDX-License-Identifier: MIT
// The check that lets a list's name be asked: the host-name syntax against a
// second, differently written reading of the same rule, and what a line may
// give a row in every encoding.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/asciicase.h"
#include "engine/net/idn.h"
#include "formats/linenormalize.h"
#include "formats/listname.h"

namespace {

// Letters, digits and hyphens in at least two dot-separated labels of 1-63
// bytes, no label starting or ending with a hyphen, 253 bytes at most: read
// character by character instead of label by label.
bool ReferenceHostName(std::string_view name) {
    if (name.size() > 253) {
        return false;
    }
    int labels = 1;
    std::size_t length = 0;
    char previous = '.';
    for (const char c : name) {
        if (c == '.') {
            if (length == 0 || previous == '-') {
                return false;
            }
            ++labels;
            length = 0;
        } else if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                   c == '-') {
            if ((length == 0 && c == '-') || ++length > 63) {
                return false;
            }
        } else {
            return false;
        }
        previous = c;
    }
    return length > 0 && previous != '-' && labels >= 2;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const bool hostName = IsHostNameSyntax(input);
    if (hostName != ReferenceHostName(input)) {
        __builtin_trap();
    }

    for (const ListEncoding encoding :
         {ListEncoding::Ascii, ListEncoding::Gbk, ListEncoding::Utf8}) {
        std::string name;
        if (ListNameFromLine(input, encoding, name) != ListLineVerdict::Name) {
            continue;
        }
        // Only a host name that fits the domain field is ever stored, and it
        // reads back as itself (a saved list loads as the same list).
        std::string again;
        if (!IsHostNameSyntax(name) || name.size() > 40 ||
            ListNameFromLine(name, ListEncoding::Ascii, again) != ListLineVerdict::Name ||
            again != name) {
            __builtin_trap();
        }
    }

    // The name asked is the name given, whatever a web address puts around
    // it ("www." in front is part of that decoration, so such names are left
    // out here).
    if (hostName && input.size() <= 40 && !AsciiLower(input).starts_with("www.")) {
        const std::string expected = AsciiLower(input);
        for (const std::string& line :
             {std::string(input), " HTTPS://WWW." + std::string(input) + ".:8080/a/b?c=d#e \t",
              "http://" + std::string(input) + "/"}) {
            for (const ListEncoding encoding :
                 {ListEncoding::Ascii, ListEncoding::Gbk, ListEncoding::Utf8}) {
                std::string name;
                if (ListNameFromLine(line, encoding, name) != ListLineVerdict::Name ||
                    name != expected || NormalizeListLine(line, encoding) != expected) {
                    __builtin_trap();
                }
            }
        }
    }
    return 0;
}
