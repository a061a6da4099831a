// SPDX-License-Identifier: MIT
#include "formats/listname.h"

#include "core/ccore.h"
#include "core/text.h"
#include "engine/domaintable.h"
#include "engine/net/idn.h"
#include "formats/linenormalize.h"

namespace {

constexpr std::size_t kMaxDomainBytes = sizeof(DomainRecord::domain) - 1;
constexpr std::string_view kReplacementCharacter = "\xEF\xBF\xBD";

} // namespace

ListLineVerdict ListNameFromLine(std::string_view line, ListEncoding encoding, std::string& name) {
    std::string text = NormalizeListLine(line, encoding);
    if (text.empty()) {
        return ListLineVerdict::Empty;
    }
    // GBK trail bytes are 0x40 and above, so a byte-wise look finds only
    // real control characters.
    if (HasControlByte(text)) {
        return ListLineVerdict::Invalid;
    }
    if (!IsAsciiText(text)) {
        if (encoding == ListEncoding::Gbk) {
            text = CCore::ANSI_UTF8(text);
            if (text.find(kReplacementCharacter) != std::string::npos) {
                return ListLineVerdict::InvalidBytes;
            }
        }
        std::string ascii;
        if (!ToALabel(text, ascii)) {
            return ListLineVerdict::Invalid;
        }
        // UTS #46 maps look-alikes to ASCII ("ｗｗｗ．" to "www.", "。" to
        // "."): the decoration they spelt goes as it does in ASCII.
        text = NormalizeListLine(ascii, ListEncoding::Ascii);
    }
    if (text.size() > kMaxDomainBytes) {
        return ListLineVerdict::Long; // a cut name would be another domain
    }
    // "a b.com", "=1+1.com", "x?y.com": no server is asked such a thing, and
    // no export cell may hold it.
    if (!IsHostNameSyntax(text)) {
        return ListLineVerdict::Invalid;
    }
    name = std::move(text);
    return ListLineVerdict::Name;
}

std::string ListFileSpelling(std::string_view stored, ListFormat format) {
    if (!IsAsciiText(stored)) {
        // Not a name this version stores; keep its bytes readable.
        return format.encoding == ListEncoding::Utf8 ? CCore::ANSI_UTF8(stored)
                                                     : std::string(stored);
    }
    std::string spelt;
    switch (format.encoding) {
    case ListEncoding::Ascii:
        return std::string(stored);
    case ListEncoding::Utf8:
        spelt = ToUnicodeName(stored);
        break;
    case ListEncoding::Gbk: {
        const std::string unicode = ToUnicodeName(stored);
        spelt = unicode;
        CCore::UTF8_ANSI(spelt);
        if (CCore::ANSI_UTF8(spelt) != unicode) {
            return std::string(stored); // GBK lacks a character of it
        }
        break;
    }
    }
    // The file is read again through the line rules: a Unicode form they
    // would change (one holding "www.", say) is written as its A-label.
    std::string again;
    if (ListNameFromLine(spelt, format.encoding, again) != ListLineVerdict::Name ||
        again != stored) {
        return std::string(stored);
    }
    return spelt;
}
