// SPDX-License-Identifier: MIT
#include "engine/net/idn.h"

#include "core/asciicase.h"
#include "core/hostname.h"
#include "core/text.h"

#include <cstdlib>
#include <idn2.h>
#include <memory>

namespace {

struct FreeDeleter {
    void operator()(void* p) const { std::free(p); }
};

// What a name on the wire may hold: lower-case letters, digits, '-' and '.'.
bool IsPlainHostText(std::string_view text) {
    if (text.empty()) {
        return false;
    }
    for (const char c : text) {
        if (!((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.')) {
            return false;
        }
    }
    return true;
}

bool HasALabel(std::string_view name) {
    for (std::size_t pos = 0; pos + 4 <= name.size();) {
        const std::string_view label = name.substr(pos, 4);
        if ((label[0] == 'x' || label[0] == 'X') && (label[1] == 'n' || label[1] == 'N') &&
            label[2] == '-' && label[3] == '-') {
            return true;
        }
        const auto dot = name.find('.', pos);
        if (dot == std::string_view::npos) {
            break;
        }
        pos = dot + 1;
    }
    return false;
}

} // namespace

bool IsHostNameSyntax(std::string_view name) {
    return IsHostName(name);
}

bool ToALabel(std::string_view utf8, std::string& ascii) {
    if (IsAsciiText(utf8)) {
        ascii = std::string(utf8);
        return true;
    }
    // libidn2 reads a C string: a NUL inside would cut the name short.
    if (HasControlByte(utf8)) {
        return false;
    }
    const std::string input(utf8);
    uint8_t* raw = nullptr;
    const int rc =
        idn2_lookup_u8(reinterpret_cast<const uint8_t*>(input.c_str()), &raw, IDN2_NONTRANSITIONAL);
    const std::unique_ptr<uint8_t, FreeDeleter> output(raw);
    if (rc != IDN2_OK || !output) {
        return false;
    }
    const std::string_view converted(reinterpret_cast<const char*>(output.get()));
    if (!IsPlainHostText(converted)) {
        return false;
    }
    ascii = std::string(converted);
    return true;
}

std::string ToUnicodeName(std::string_view ascii) {
    if (!IsAsciiText(ascii) || HasControlByte(ascii) || !HasALabel(ascii)) {
        return std::string(ascii);
    }
    // Punycode keeps the case of the letters it carries as they are.
    const std::string lower = AsciiLower(ascii);
    char* raw = nullptr;
    const int rc = idn2_to_unicode_8z8z(lower.c_str(), &raw, 0);
    const std::unique_ptr<char, FreeDeleter> output(raw);
    if (rc != IDN2_OK || !output) {
        return std::string(ascii);
    }
    std::string unicode(output.get());
    std::string back;
    if (!ToALabel(unicode, back) || back != lower) {
        return std::string(ascii);
    }
    return unicode;
}
