#include "listwin/formats/linenormalize.h"

namespace {

bool IsListSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && IsListSpace(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsListSpace(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

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

std::size_t GbkCharLength(std::string_view text, std::size_t pos) {
    const auto lead = static_cast<unsigned char>(text[pos]);
    if (lead < 0x81 || lead > 0xFE || pos + 1 >= text.size()) {
        return 1;
    }
    const auto trail = static_cast<unsigned char>(text[pos + 1]);
    const bool validTrail = trail >= 0x40 && trail <= 0xFE && trail != 0x7F;
    return validTrail ? 2 : 1;
}

std::string NormalizeListLine(std::string_view line) {
    std::string text = LowerGbk(Trim(line));
    text = RemoveAllGbk(text, "http://");
    text = RemoveAllGbk(text, "www.");
    return RemoveAllGbk(text, "/");
}
