// SPDX-License-Identifier: MIT
#include "engine/valueclean.h"

#include <array>

#include "core/asciicase.h"
#include "core/text.h"

namespace {

// A byte that never belongs to a value: C0 controls other than TAB, CR and
// LF, and DEL. None of them is part of a multi-byte UTF-8 character.
bool IsControlByte(unsigned char c) {
    return (c < 0x20 && c != '\t' && c != '\r' && c != '\n') || c == 0x7F;
}

bool IsLineMark(char c) {
    return c == '^' || c == '\r' || c == '\n';
}

bool IsGap(char c) {
    return c == ' ' || c == '\t' || IsLineMark(c) || IsControlByte(static_cast<unsigned char>(c));
}

// Lower case. What registries write instead of a withheld value.
constexpr std::array<std::string_view, 11> kRedactionTexts{
    "redacted",                    // "REDACTED FOR PRIVACY", "Redacted | EU Data Subject"
    "data protected",              // "Data Protected, Not Disclosed"
    "not disclosed",               // "NOT DISCLOSED!"
    "gdpr masked",                 // "GDPR Masked"
    "statutory masking enabled",   // "Statutory Masking Enabled"
    "non-public data",             // "Non-Public Data"
    "not available from registry", // "Not Available From Registry"
    "hidden upon user request",    // "Hidden upon user request"
    "data withheld",               // "Data withheld by registrar"
    // An e-mail line that is a sentence pointing elsewhere:
    "please query the rdds service", // "Please query the RDDS service of the Registrar of
                                     // Record..."
    "select request email form",     // "Select Request Email Form at https://..."
};

} // namespace

std::string CleanValue(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    std::string gap; // the gap since the last character, as it will be written
    bool gapHasLine = false;
    std::size_t pos = 0;
    while (pos < utf8.size()) {
        const char c = utf8[pos];
        const std::size_t width =
            static_cast<unsigned char>(c) < 0x80 ? 1 : Utf8CharAt(utf8, pos).length;
        if (width == 1 && IsGap(c)) {
            gapHasLine = gapHasLine || IsLineMark(c);
            gap += ' ';
            ++pos;
            continue;
        }
        if (!out.empty() && !gap.empty()) {
            out += gapHasLine ? std::string_view(" ") : std::string_view(gap);
        }
        gap.clear();
        gapHasLine = false;
        out.append(utf8.substr(pos, width));
        pos += width;
    }
    return out;
}

bool IsRedactedValue(std::string_view text) {
    const std::string lower = AsciiLower(text);
    for (const std::string_view redaction : kRedactionTexts) {
        if (lower.find(redaction) != std::string::npos) {
            return true;
        }
    }
    return false;
}

std::string CleanDateValue(std::string_view utf8, DateOrder order) {
    const std::string clean = CleanValue(utf8);
    return clean.empty() ? clean : CCore::parseDate1(clean, order);
}
