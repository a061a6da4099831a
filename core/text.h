// SPDX-License-Identifier: MIT
#pragma once

// The text toolkit every layer shares: the GBK byte-pair rule, fixed-width
// fields, trimming, integers and "key=value" lines. One copy of each rule,
// so the list file, the table and the settings never disagree about a byte.

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

// The byte length of the GBK character at `pos`: 2 for a lead byte
// (0x81-0xFE) followed by a valid trail byte (0x40-0x7E, 0x80-0xFE), else 1.
// A lead byte with a bad trail byte stands alone, so the byte after it (often
// ASCII) is read as a character of its own.
[[nodiscard]] std::size_t GbkCharLength(std::string_view text, std::size_t pos);

// The UTF-8 character at `pos` (pos < text.size()): well-formed per the
// Unicode standard (no overlong forms, no surrogates, nothing above
// U+10FFFF) or not. An ill-formed part is the longest prefix that could have
// started a character (at least one byte), so one bad sequence is one step
// and the next good character survives. A sequence cut off by the end of
// `text` is ill-formed and reaches exactly to the end.
struct Utf8Char {
    std::size_t length; // bytes taken
    bool valid;
};
[[nodiscard]] Utf8Char Utf8CharAt(std::string_view text, std::size_t pos);

// True when every byte is below 0x80.
[[nodiscard]] bool IsAsciiText(std::string_view text);
// True when a byte is a C0 control (below 0x20, TAB, CR and LF included) or
// DEL: what a domain name never holds.
[[nodiscard]] bool HasControlByte(std::string_view text);

// The number of bytes of `text` that fit in `maxBytes` without splitting a
// GBK double-byte character.
[[nodiscard]] std::size_t GbkCutLength(std::string_view text, std::size_t maxBytes);

// Copies `value` into a fixed-width field: at most width-1 bytes, cut on a
// character boundary, the rest of the field zero-filled.
void SetField(char* field, std::size_t width, std::string_view value);
template <std::size_t N>
void SetField(char (&field)[N], std::string_view value) {
    SetField(field, N, value);
}

// A fixed-width field as text: up to its NUL, never past its width.
[[nodiscard]] inline std::string_view FieldText(const char* field, std::size_t width) {
    std::size_t n = 0;
    while (n < width && field[n] != '\0') {
        ++n;
    }
    return {field, n};
}
template <std::size_t N>
[[nodiscard]] std::string_view FieldText(const char (&field)[N]) {
    return FieldText(field, N);
}

// Blank, TAB, CR, LF, VT and FF: what every reader of ours trims.
[[nodiscard]] bool IsBlankByte(char c);
[[nodiscard]] std::string_view TrimBlanks(std::string_view text);
// The one trim: `text` without the bytes of `set` at either end (TrimBlanks
// is it with the six blank bytes; an answer's values trim blanks and TABs).
[[nodiscard]] std::string_view TrimBytes(std::string_view text, std::string_view set);

// A whole decimal number with an optional sign, blanks around it allowed;
// false for anything else or a value outside int.
[[nodiscard]] bool ParseInt(std::string_view text, int& value);
// The number at the start of a text: leading blanks and one sign allowed,
// reading stops at the first non-digit, 0 when there is no number; values
// beyond the 32-bit range are clamped.
[[nodiscard]] int ParseLeadingInt(std::string_view text);

// Reads "key=value" lines (LF or CR LF), each key and value trimmed; a line
// "[name]" opens a section, which later lines report. Lines without "=" or
// with an empty key are passed over.
void ReadKeyValueLines(std::string_view text,
                       const std::function<void(std::string_view section, std::string_view key,
                                                std::string_view value)>& onValue);
