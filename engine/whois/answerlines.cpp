// SPDX-License-Identifier: MIT
#include "engine/whois/answerlines.h"

#include "core/asciicase.h"
#include "core/text.h"

namespace {

bool IsLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool IsBlankOrTab(char c) {
    return c == ' ' || c == '\t';
}

std::size_t SkipBlanks(std::string_view text, std::size_t at) {
    while (at < text.size() && IsBlankOrTab(text[at])) {
        ++at;
    }
    return at;
}

} // namespace

std::string_view TrimValue(std::string_view value) {
    return TrimBytes(value, " \t");
}

AnswerLines::AnswerLines(std::string_view text, bool gbk, bool indexLetters)
    : m_indexLetters(indexLetters) {
    m_lines.reserve(text.size() / 40 + 1);
    std::size_t start = 0;
    std::size_t pos = 0;
    const auto endLine = [&](std::size_t end) {
        const std::string_view line = text.substr(start, end - start);
        const std::size_t indent = SkipBlanks(line, 0);
        std::size_t label = indent;
        if (m_indexLetters && label + 2 < line.size() && IsLetter(line[label]) &&
            line[label + 1] == '.' && line[label + 2] == ' ') {
            label = SkipBlanks(line, label + 3); // "a. [Domain Name]"
        }
        m_lines.push_back(
            {line, indent, label, label < line.size() ? AsciiLowerByte(line[label]) : '\0'});
    };
    while (pos < text.size()) {
        const auto c = static_cast<unsigned char>(text[pos]);
        // Lower-case letters and all above them end no line: most bytes.
        if (c > '^') {
            // In GBK only a character of its own ends a line; CR and LF never
            // are trail bytes, "^" may be.
            pos += gbk && c >= 0x81 ? GbkCharLength(text, pos) : 1;
            continue;
        }
        if (c == '\n' || c == '\r' || c == '^') {
            endLine(pos);
            // CR LF (or "^^" standing for it) ends one line, not two.
            if (c != '\n' && pos + 1 < text.size() && text[pos + 1] == (c == '\r' ? '\n' : '^')) {
                ++pos;
            }
            start = pos + 1;
        }
        ++pos;
    }
    if (start < text.size()) {
        endLine(text.size());
    }
}

std::optional<std::string_view> AnswerLines::ValueAt(std::size_t index,
                                                     std::string_view label) const {
    const Line& line = m_lines[index];
    const std::string_view text = line.text;
    std::size_t at = line.label;
    if (label.empty() || text.size() - at < label.size() ||
        line.first != AsciiLowerByte(label.front()) ||
        !EqualsNoCase(text.substr(at, label.size()), label)) {
        return std::nullopt;
    }
    at += label.size();
    if (label.back() == ']') {
        return text.substr(at);
    }
    while (at < text.size() && (IsBlankOrTab(text[at]) || text[at] == '.')) {
        ++at;
    }
    if (at < text.size() && text[at] == '(') {
        const std::size_t close = text.find(')', at);
        if (close == std::string_view::npos) {
            return std::nullopt;
        }
        at = SkipBlanks(text, close + 1);
    }
    if (at >= text.size() || text[at] != ':') {
        return std::nullopt;
    }
    return text.substr(at + 1);
}

bool AnswerLines::IsBlank(std::size_t index) const {
    return m_lines[index].indent == m_lines[index].text.size();
}

std::optional<std::string_view> AnswerLines::BlockValueAt(std::size_t index,
                                                          std::string_view label) const {
    const auto value = ValueAt(index, label);
    if (!value || !TrimValue(*value).empty()) {
        return value;
    }
    std::size_t next = index + 1;
    while (next < m_lines.size() && IsBlank(next)) {
        ++next;
    }
    if (next < m_lines.size() && m_lines[next].indent > m_lines[index].indent) {
        return m_lines[next].text.substr(m_lines[next].indent);
    }
    return value;
}

std::size_t AnswerLines::RecordStart(std::string_view domain) const {
    if (domain.empty()) {
        return 0;
    }
    for (std::size_t i = 0; i < m_lines.size(); ++i) {
        const auto value = ValueAt(i, "Domain Name");
        if (value && EqualsNoCase(TrimValue(*value), domain)) {
            return i;
        }
    }
    return 0;
}
