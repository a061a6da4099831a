// SPDX-License-Identifier: MIT
// The "Label: value" line reader, fed any text in either code page: every
// line, value and record start it gives lies inside the text, and a value
// is found only where a line begins with its label.
//
// Input: one byte of flags (1: GBK, 2: index letters), the label, a 0x01
// byte, then the answer.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "engine/whois/answerlines.h"

namespace {

bool Inside(std::string_view part, std::string_view whole) {
    return part.empty() || (part.data() >= whole.data() &&
                            part.data() + part.size() <= whole.data() + whole.size());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const bool gbk = (data[0] & 1) != 0;
    const bool indexLetters = (data[0] & 2) != 0;
    const std::string_view input(reinterpret_cast<const char*>(data) + 1, size - 1);
    const std::size_t split = input.find('\x01');
    const std::string_view label = input.substr(0, split).substr(0, 64);
    const std::string_view text = split == std::string_view::npos ? input : input.substr(split + 1);

    const AnswerLines lines(text, gbk, indexLetters);
    if (lines.RecordStart(label) > lines.size()) {
        __builtin_trap();
    }
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (!Inside(lines.line(i), text)) {
            __builtin_trap();
        }
        const auto value = lines.ValueAt(i, label);
        const auto block = lines.BlockValueAt(i, label);
        if ((value && !Inside(*value, text)) || (block && !Inside(*block, text))) {
            __builtin_trap();
        }
        if (value && !block) {
            __builtin_trap(); // a value on the label's own line is a block value too
        }
        if (value && !Inside(TrimValue(*value), *value)) {
            __builtin_trap();
        }
    }
    std::size_t seen = 0;
    const auto found = lines.Find(label, 0, lines.size(), [&](std::string_view value) {
        ++seen;
        if (!Inside(value, text)) {
            __builtin_trap();
        }
        return false;
    });
    if (found || (label.empty() && seen != 0)) {
        __builtin_trap(); // nothing accepted, nothing found; an empty label has no value
    }
    return 0;
}
