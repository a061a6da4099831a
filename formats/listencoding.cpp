// SPDX-License-Identifier: MIT
#include "formats/listencoding.h"

#include "core/text.h"

#include <algorithm>

void ListFormatScan::Feed(std::string_view bytes) {
    if (m_head.size() < kUtf8ByteOrderMark.size()) {
        m_head.append(bytes.substr(0, kUtf8ByteOrderMark.size() - m_head.size()));
    }
    if (!m_valid) {
        return;
    }
    if (!m_carry.empty()) {
        // The cut-off character with enough of this piece to end it (a
        // character is at most four bytes, so three more always do).
        const std::size_t fromCarry = m_carry.size();
        const std::size_t taken = std::min<std::size_t>(bytes.size(), 3);
        const std::string joined = m_carry + std::string(bytes.substr(0, taken));
        m_carry.clear();
        const Utf8Char c = Utf8CharAt(joined, 0);
        if (!c.valid) {
            if (c.length == joined.size() && taken == bytes.size()) {
                m_carry = joined; // this piece was too short to tell
            } else {
                m_valid = false;
            }
            return;
        }
        bytes.remove_prefix(c.length - fromCarry);
    }
    for (std::size_t pos = 0; pos < bytes.size();) {
        if (static_cast<unsigned char>(bytes[pos]) < 0x80) {
            ++pos;
            continue;
        }
        m_nonAscii = true;
        const Utf8Char c = Utf8CharAt(bytes, pos);
        if (!c.valid) {
            if (pos + c.length == bytes.size()) {
                m_carry = std::string(bytes.substr(pos)); // may go on in the next piece
                return;
            }
            m_valid = false;
            return;
        }
        pos += c.length;
    }
}

ListFormat ListFormatScan::Finish() {
    if (!m_carry.empty()) {
        m_valid = false; // the file ends inside a character
        m_carry.clear();
    }
    ListFormat format;
    if (!m_nonAscii && m_valid) {
        return format;
    }
    if (!m_valid) {
        format.encoding = ListEncoding::Gbk;
        return format;
    }
    format.encoding = ListEncoding::Utf8;
    format.byteOrderMark = m_head == kUtf8ByteOrderMark;
    return format;
}

ListFormat ListFormatOf(std::string_view bytes) {
    ListFormatScan scan;
    scan.Feed(bytes);
    return scan.Finish();
}
