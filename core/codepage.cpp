// SPDX-License-Identifier: MIT
#include "core/ccore.h"
#include "core/gbktext.h"
#include "core/text.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <iconv.h>

namespace {

// One conversion descriptor per thread and direction: iconv_t keeps state
// and is not safe to share, and opening one per call costs more than a
// typical conversion.
class Converter {
public:
    Converter(const char* to, const char* from) : m_cd(iconv_open(to, from)) {}
    ~Converter() {
        if (ok())
            iconv_close(m_cd);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    [[nodiscard]] bool ok() const { return m_cd != reinterpret_cast<iconv_t>(-1); }

    // Back to the initial shift state.
    void reset() {
        if (ok())
            iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
    }

    // Converts as much of [in, in+inLeft) as it can; see iconv(3).
    size_t run(const char*& in, size_t& inLeft, char*& out, size_t& outLeft) {
        char* src = const_cast<char*>(in); // iconv's signature predates const
        const size_t r = iconv(m_cd, &src, &inLeft, &out, &outLeft);
        in = src;
        return r;
    }

private:
    iconv_t m_cd;
};

Converter& toGbk() {
    thread_local Converter c("CP936", "UTF-8");
    return c;
}

Converter& fromGbk() {
    thread_local Converter c("UTF-8", "CP936");
    return c;
}

// ISO-2022-JP-2 reads every escape sequence of ISO-2022-JP as well.
Converter& fromIso2022Jp() {
    thread_local Converter c("UTF-8", "ISO-2022-JP-2");
    return c;
}

// Converts from `pos` on until the end or the first sequence iconv refuses,
// appending to `out` (room for `maxGrowth` output bytes per input byte) and
// moving `pos` past what was read. Returns iconv's result.
size_t convertFrom(Converter& conv, std::string_view src, size_t& pos, std::string& out,
                   size_t maxGrowth) {
    const size_t start = out.size();
    out.resize(start + maxGrowth * (src.size() - pos) + 8);
    const char* in = src.data() + pos;
    size_t inLeft = src.size() - pos;
    char* dst = out.data() + start;
    size_t outLeft = out.size() - start;
    const size_t r = conv.run(in, inLeft, dst, outLeft);
    out.resize(out.size() - outLeft);
    pos = static_cast<size_t>(in - src.data());
    return r;
}

// Converts a run of well-formed UTF-8; a character GBK lacks becomes '?'.
// Returns how many did.
size_t appendGbk(std::string_view run, std::string& out) {
    size_t replaced = 0;
    Converter& conv = toGbk();
    size_t pos = 0;
    while (pos < run.size()) {
        if (!conv.ok()) {
            const Utf8Char step = Utf8CharAt(run, pos);
            out += step.length == 1 ? run[pos] : '?';
            replaced += step.length == 1 ? 0 : 1;
            pos += step.length;
            continue;
        }
        // A well-formed character never grows in GBK (1->1, 2 or 3->2, 4->none).
        const size_t r = convertFrom(conv, run, pos, out, 1);
        if (r == static_cast<size_t>(-1) && pos < run.size()) {
            out += '?';
            ++replaced;
            pos += Utf8CharAt(run, pos).length;
        }
    }
    return replaced;
}

} // namespace

void CCore::UTF8_ANSI(std::string& text) {
    size_t replaced = 0;
    Utf8ToGbk(text, replaced);
}

void Utf8ToGbk(std::string& text, std::size_t& replaced) {
    if (IsAsciiText(text))
        return;
    size_t count = 0;
    std::string out;
    out.reserve(text.size());
    const std::string_view src = text;
    const auto high = [&](size_t k) { return static_cast<unsigned char>(src[k]) >= 0x80; };
    size_t i = 0;
    while (i < src.size()) {
        // Answers are mostly ASCII: copy it as it is and hand iconv only the
        // runs of other characters.
        size_t j = i;
        while (j < src.size() && !high(j))
            ++j;
        out.append(src.substr(i, j - i));
        i = j;
        while (j < src.size() && high(j)) {
            const Utf8Char step = Utf8CharAt(src, j);
            if (!step.valid)
                break;
            j += step.length;
        }
        count += appendGbk(src.substr(i, j - i), out);
        i = j;
        if (i < src.size() && high(i)) { // an ill-formed part
            out += '?';
            ++count;
            i += Utf8CharAt(src, i).length;
        }
    }
    text = std::move(out);
    replaced += count;
}

namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";

// Converts `text` to UTF-8 with `conv`; a byte it refuses becomes U+FFFD (an
// ASCII byte without a converter is kept), so the result is always valid.
std::string toUtf8(Converter& conv, std::string_view text) {
    std::string out;
    size_t pos = 0;
    while (pos < text.size()) {
        if (!conv.ok()) {
            const auto c = static_cast<unsigned char>(text[pos]);
            if (c < 0x80)
                out += text[pos];
            else
                out += kReplacement;
            ++pos;
            continue;
        }
        // Every input byte yields at most three UTF-8 bytes.
        const size_t r = convertFrom(conv, text, pos, out, 3);
        if (r == static_cast<size_t>(-1) && pos < text.size()) {
            // A bad lead byte, or a lead byte without a trail byte: replace the
            // lead byte alone so that an ASCII byte after it is kept.
            out += kReplacement;
            ++pos;
        }
    }
    return out;
}

} // namespace

bool CCore::isUtf8(std::string_view text) {
    for (size_t i = 0; i < text.size();) {
        // Answers are mostly ASCII: pass eight such bytes at a time.
        uint64_t word = 0;
        if (i + sizeof word <= text.size()) {
            std::memcpy(&word, text.data() + i, sizeof word);
            if ((word & 0x8080808080808080ULL) == 0) {
                i += sizeof word;
                continue;
            }
        }
        if (static_cast<unsigned char>(text[i]) < 0x80) {
            ++i;
            continue;
        }
        const Utf8Char step = Utf8CharAt(text, i);
        if (!step.valid)
            return false;
        i += step.length;
    }
    return true;
}

std::string CCore::ISO2022JP_UTF8(std::string_view text) {
    Converter& conv = fromIso2022Jp();
    conv.reset(); // each text starts in ASCII, whatever the last one ended in
    return toUtf8(conv, text);
}

std::string CCore::ANSI_UTF8(std::string_view gbk) {
    if (IsAsciiText(gbk))
        return std::string(gbk);
    return toUtf8(fromGbk(), gbk);
}
