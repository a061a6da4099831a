// SPDX-License-Identifier: MIT
#pragma once

// A WHOIS answer as lines of "Label: value", the shape every registry writes
// today, with the one rule of what a label is:
//   - at the start of a line, after blanks and TABs (and, where a registry
//     numbers its lines, after an index such as "a. ");
//   - compared without regard to the case of ASCII letters;
//   - a label in brackets ("[Created on]") is followed by its value at once;
//     any other label by optional blanks or dot leaders, an optional remark
//     in parentheses, and a colon:
//       "Registrar: X"   "Created on..............: 1999-03-15."
//       "Company English Name (It should be the same as ...): X"
//     so "Registrar" never matches "Registrar URL: ...".
// Lines end at CR, LF or "^" (the per-row query's mark for either). The
// views point into the text given, which must outlive this object.

#include "core/asciicase.h"

#include <cstddef>
#include <optional>
#include <string_view>
#include <vector>

class AnswerLines {
public:
    // `gbk`: the text is GBK, so a "^" that is the trail byte of a
    // double-byte character does not end a line. Otherwise the text is
    // UTF-8 (or ASCII), where a "^" byte is always the character.
    AnswerLines(std::string_view text, bool gbk, bool indexLetters = false);

    [[nodiscard]] std::size_t size() const { return m_lines.size(); }
    [[nodiscard]] std::string_view line(std::size_t index) const { return m_lines[index].text; }

    // The value after `label` on line `index` (not trimmed), or nullopt
    // when the line does not begin with the label.
    [[nodiscard]] std::optional<std::string_view> ValueAt(std::size_t index,
                                                          std::string_view label) const;

    // A label with no value on its line (or only blanks and "^") takes the
    // next non-blank line when that line is indented deeper, as blocks are
    // written:
    //   Registrant:
    //   <TAB>Massachusetts Institute of Technology
    // Returns the value of `label` found on line `index` that way.
    [[nodiscard]] std::optional<std::string_view> BlockValueAt(std::size_t index,
                                                               std::string_view label) const;

    // The first line in [from, to) where `label` has a value that `accept`
    // takes; returns the line's index.
    template <typename Accept>
    [[nodiscard]] std::optional<std::size_t> Find(std::string_view label, std::size_t from,
                                                  std::size_t to, Accept&& accept) const {
        if (label.empty()) {
            return std::nullopt;
        }
        const char first = AsciiLowerByte(label.front());
        for (std::size_t i = from; i < to && i < m_lines.size(); ++i) {
            if (m_lines[i].first != first) {
                continue; // most lines: no need to look further
            }
            if (const auto value = BlockValueAt(i, label); value && accept(*value)) {
                return i;
            }
        }
        return std::nullopt;
    }

    // The line where the record of `domain` begins ("Domain Name: EXAMPLE.COM",
    // compared without regard to case), or 0. An answer may list other
    // records first (the .com registry once listed name servers whose names
    // begin with the queried name).
    [[nodiscard]] std::size_t RecordStart(std::string_view domain) const;

private:
    struct Line {
        std::string_view text;
        std::size_t indent; // bytes of blanks and TABs before the first character
        std::size_t label;  // where a label would begin (after an index such as "a. ")
        char first;         // the byte there, lower case; 0 for none
    };
    [[nodiscard]] bool IsBlank(std::size_t index) const;

    std::vector<Line> m_lines;
    bool m_indexLetters;
};

// Blanks and TABs trimmed from both ends of a value (no GBK trail byte is
// either, and a line holds no line-end mark).
[[nodiscard]] std::string_view TrimValue(std::string_view value);
