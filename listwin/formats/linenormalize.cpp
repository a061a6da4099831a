// SPDX-License-Identifier: MIT
#include "listwin/formats/linenormalize.h"

#include "core/text.h"

namespace {

// The byte length of the character at `pos`: GBK's byte pairs, or single
// bytes where ASCII bytes never occur inside a character.
std::size_t CharLength(std::string_view text, std::size_t pos, ListEncoding encoding) {
    return encoding == ListEncoding::Gbk ? GbkCharLength(text, pos) : 1;
}

// Only A-Z change in the GBK code page's case mapping, and the UTS #46 step
// lower-cases the rest of a name in any script; double-byte characters are
// copied untouched.
std::string LowerAscii(std::string_view text, ListEncoding encoding) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t pos = 0; pos < text.size();) {
        const std::size_t width = CharLength(text, pos, encoding);
        if (width == 1 && text[pos] >= 'A' && text[pos] <= 'Z') {
            out += static_cast<char>(text[pos] - 'A' + 'a');
        } else {
            out.append(text.substr(pos, width));
        }
        pos += width;
    }
    return out;
}

// Removes every occurrence of the ASCII text `what` that starts on a
// character boundary, left to right, in one pass (a match formed by the
// removal itself stays, as with a plain replace-all).
std::string RemoveAll(std::string_view text, std::string_view what, ListEncoding encoding) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t pos = 0; pos < text.size();) {
        if (text.substr(pos, what.size()) == what) {
            pos += what.size();
            continue;
        }
        const std::size_t width = CharLength(text, pos, encoding);
        out.append(text.substr(pos, width));
        pos += width;
    }
    return out;
}

} // namespace

std::string NormalizeListLine(std::string_view line, ListEncoding encoding) {
    std::string text = LowerAscii(TrimBlanks(line), encoding);
    text = RemoveAll(text, "http://", encoding);
    text = RemoveAll(text, "www.", encoding);
    return RemoveAll(text, "/", encoding);
}
