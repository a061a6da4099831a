#include "listwin/formats/linenormalize.h"

#include "core/text.h"

namespace {

// Only A-Z change in the GBK code page's case mapping; double-byte
// characters are copied untouched.
std::string LowerGbk(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t pos = 0; pos < text.size();) {
        const std::size_t width = GbkCharLength(text, pos);
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
std::string RemoveAllGbk(std::string_view text, std::string_view what) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t pos = 0; pos < text.size();) {
        if (text.substr(pos, what.size()) == what) {
            pos += what.size();
            continue;
        }
        const std::size_t width = GbkCharLength(text, pos);
        out.append(text.substr(pos, width));
        pos += width;
    }
    return out;
}

} // namespace

std::string NormalizeListLine(std::string_view line) {
    std::string text = LowerGbk(TrimBlanks(line));
    text = RemoveAllGbk(text, "http://");
    text = RemoveAllGbk(text, "www.");
    return RemoveAllGbk(text, "/");
}
