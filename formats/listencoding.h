// SPDX-License-Identifier: MIT
#pragma once

// The text encodings of a domain list. A file that is valid UTF-8 and holds
// bytes above 0x7F is UTF-8 (a byte-order mark in front is allowed and is
// not part of the first name); any other file with such bytes is GBK; a file
// without any is ASCII, which both read the same.

#include <cstdint>
#include <string>
#include <string_view>

enum class ListEncoding { Ascii, Gbk, Utf8 };

struct ListFormat {
    ListEncoding encoding = ListEncoding::Ascii;
    bool byteOrderMark = false; // UTF-8 only: the file began with EF BB BF
    friend bool operator==(const ListFormat&, const ListFormat&) = default;
};

inline constexpr std::string_view kUtf8ByteOrderMark = "\xEF\xBB\xBF";

// Reads a file's bytes piece by piece, as they come, and tells its format
// at the end. A character may be split across two pieces.
class ListFormatScan {
public:
    void Feed(std::string_view bytes);
    // The format of all the bytes fed.
    [[nodiscard]] ListFormat Finish();
    // False once the bytes so far cannot be UTF-8.
    [[nodiscard]] bool MayBeUtf8() const { return m_valid; }

private:
    std::string m_carry; // the start of a character cut off by a piece's end
    std::string m_head;  // the first bytes, for the byte-order mark
    bool m_valid = true;
    bool m_nonAscii = false;
};

// The format of a whole text held in memory.
[[nodiscard]] ListFormat ListFormatOf(std::string_view bytes);
