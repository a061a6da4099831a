// SPDX-License-Identifier: MIT
#include "formats/linenormalize.h"

#include "core/asciicase.h"
#include "core/text.h"

namespace {

// Only A-Z change in the GBK code page's case mapping, and the UTS #46 step
// lower-cases the rest of a name in any script.
std::string LowerAscii(std::string_view text, ListEncoding encoding) {
    return encoding == ListEncoding::Gbk ? GbkAsciiLower(text) : AsciiLower(text);
}

// The length of `text` up to the first '/', '?' or '#': where a web
// address's path, query or fragment begins. These bytes are below 0x40, so
// none of them is ever a GBK trail byte.
std::size_t HostPartLength(std::string_view text) {
    const auto end = text.find_first_of("/?#");
    return end == std::string_view::npos ? text.size() : end;
}

// "example.com:8080" and "example.com:" give "example.com"; a colon followed
// by anything but digits is left for the name check to refuse.
std::string_view WithoutPort(std::string_view text) {
    const auto colon = text.rfind(':');
    if (colon == std::string_view::npos ||
        text.find_first_not_of("0123456789", colon + 1) != std::string_view::npos) {
        return text;
    }
    return text.substr(0, colon);
}

} // namespace

std::string NormalizeListLine(std::string_view line, ListEncoding encoding) {
    // Lower-cased first, so "HTTP://WWW." goes like "http://www.".
    const std::string lowered = LowerAscii(TrimBlanks(line), encoding);
    std::string_view text = lowered;
    for (const std::string_view scheme : {"http://", "https://"}) {
        if (text.starts_with(scheme)) {
            text.remove_prefix(scheme.size());
            break;
        }
    }
    text = TrimBlanks(WithoutPort(text.substr(0, HostPartLength(text))));
    if (text.ends_with('.')) {
        text.remove_suffix(1); // the root's dot of a fully qualified name
    }
    // Every such "www." goes, so a stored name reads back as itself.
    constexpr std::string_view www = "www.";
    while (text.starts_with(www) && text.find('.', www.size()) != std::string_view::npos) {
        text.remove_prefix(www.size());
    }
    return std::string(text);
}
