// SPDX-License-Identifier: MIT
#include "core/ccore.h"

#include "core/asciicase.h"

#include <array>
#include <cstdio>
#include <ctime>

namespace {

// Reads one date at the front of a registry's value text. The value arrives
// as the parser cut it: maybe with blanks and "^" (the answer's line ends)
// before it, and the rest of the line or answer after it, e.g.
//   " 2027-03-17 12:48:36^^Registrar..."   " 2017/06/01 01:05:09 (JST)"
class DateReader {
public:
    DateReader(std::string_view text, DateOrder order) : m_s(text), m_order(order) {}

    std::optional<CivilDate> read() {
        skipLeading();
        const size_t start = m_i;
        for (auto form :
             {&DateReader::yearFirst, &DateReader::dayFirst, &DateReader::weekdayFirst}) {
            m_i = start;
            if (auto date = (this->*form)(); date && atDateEnd() && isValid(*date))
                return date;
        }
        return std::nullopt;
    }

private:
    [[nodiscard]] bool more() const { return m_i < m_s.size(); }
    [[nodiscard]] char peek() const { return more() ? m_s[m_i] : '\0'; }
    static bool isDigit(char c) { return c >= '0' && c <= '9'; }
    static bool isAlpha(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
    static bool isBlank(char c) { return c == ' ' || c == '\t'; }

    void skipLeading() {
        while (more() && (isBlank(peek()) || peek() == '^' || peek() == '\r' || peek() == '\n' ||
                          peek() == '\v' || peek() == '\f'))
            ++m_i;
    }

    bool skipBlanks() {
        const size_t from = m_i;
        while (more() && isBlank(peek()))
            ++m_i;
        return m_i > from;
    }

    // Digits at the cursor: their value and how many there were (0: none).
    std::pair<int, size_t> number() {
        int value = 0;
        size_t count = 0;
        while (more() && isDigit(peek()) && count < 5) {
            value = value * 10 + (peek() - '0');
            ++count;
            ++m_i;
        }
        if (more() && isDigit(peek()))
            return {0, 0}; // far too long to be part of a date
        return {value, count};
    }

    std::string_view word() {
        const size_t from = m_i;
        while (more() && isAlpha(peek()))
            ++m_i;
        return m_s.substr(from, m_i - from);
    }

    bool take(char c) {
        if (peek() != c)
            return false;
        ++m_i;
        return true;
    }

    // "Mar", "mar", "MARCH", "Sept": three letters or more that begin a month's name.
    static int monthFromName(std::string_view name) {
        static constexpr std::array<std::string_view, 12> names = {
            "january", "february", "march",     "april",   "may",      "june",
            "july",    "august",   "september", "october", "november", "december"};
        if (name.size() < 3)
            return 0;
        for (size_t m = 0; m < names.size(); ++m) {
            if (StartsWithNoCase(names[m], name))
                return static_cast<int>(m) + 1;
        }
        return 0;
    }

    static bool isWeekday(std::string_view name) {
        static constexpr std::array<std::string_view, 7> names = {"mon", "tue", "wed", "thu",
                                                                  "fri", "sat", "sun"};
        if (name.size() != 3)
            return false;
        for (const auto day : names) {
            if (EqualsNoCase(name, day))
                return true;
        }
        return false;
    }

    // Two-digit years as registries wrote them before 2000: "02-Mar-99".
    static std::optional<int> year(std::pair<int, size_t> digits) {
        if (digits.second == 4)
            return digits.first;
        if (digits.second == 2)
            return digits.first < 70 ? 2000 + digits.first : 1900 + digits.first;
        return std::nullopt;
    }

    // "2010-03-23", "2010-03-23T00:00:00Z", "2010/03/23", "2010.03.23"
    std::optional<CivilDate> yearFirst() {
        const auto [y, yLen] = number();
        const char sep = peek();
        if (yLen != 4 || (sep != '-' && sep != '/' && sep != '.'))
            return std::nullopt;
        ++m_i;
        const auto [m, mLen] = number();
        if (mLen < 1 || mLen > 2 || !take(sep))
            return std::nullopt;
        const auto [d, dLen] = number();
        if (dLen < 1 || dLen > 2)
            return std::nullopt;
        return CivilDate{y, m, d};
    }

    // "23-Mar-2010", "02-Mar-99", "23 Mar 2010", "31.03.2011"; with the
    // day-first order also "31-03-2011" and "31/03/2011" (.hk writes the day
    // first). Otherwise numbers with hyphens or slashes are not read day
    // first: 03/04/2011 means different days in different countries.
    std::optional<CivilDate> dayFirst() {
        const auto [d, dLen] = number();
        if (dLen < 1 || dLen > 2)
            return std::nullopt;
        if (isAlpha(peek()))
            return std::nullopt;
        const char sep = peek();
        int m = 0;
        if (sep == ' ' || sep == '\t') {
            skipBlanks();
            m = monthFromName(word());
            if (m == 0 || !skipBlanks())
                return std::nullopt;
        } else if (sep == '-' || sep == '.' || sep == '/') {
            ++m_i;
            if (isAlpha(peek())) {
                m = monthFromName(word());
            } else {
                if (sep != '.' && m_order != DateOrder::DayFirst)
                    return std::nullopt;
                const auto [num, len] = number();
                if (len < 1 || len > 2)
                    return std::nullopt;
                m = num;
                if (peek() != sep)
                    return std::nullopt;
                ++m_i;
                const auto digits = number();
                if (digits.second != 4)
                    return std::nullopt; // "06-04-04" could be read three ways
                return CivilDate{digits.first, m, d};
            }
            if (m == 0 || !take(sep))
                return std::nullopt;
        } else {
            return std::nullopt;
        }
        const auto y = year(number());
        if (!y)
            return std::nullopt;
        return CivilDate{*y, m, d};
    }

    // "Wed Mar 27 00:01:00 GMT 2002"; "Sat, 13 Mar 2027 10:00:00 GMT"
    std::optional<CivilDate> weekdayFirst() {
        if (!isWeekday(word()))
            return std::nullopt;
        if (take(',')) {
            skipBlanks();
            return dayFirst();
        }
        if (!skipBlanks())
            return std::nullopt;
        const int m = monthFromName(word());
        if (m == 0 || !skipBlanks())
            return std::nullopt;
        const auto [d, dLen] = number();
        if (dLen < 1 || dLen > 2 || !skipBlanks())
            return std::nullopt;
        // The time of day and the zone, then the year.
        for (int token = 0; token < 3; ++token) {
            const size_t from = m_i;
            const auto digits = number();
            if (digits.second == 4 && (!more() || !(peek() == ':' || isAlpha(peek()))))
                return CivilDate{digits.first, m, d};
            m_i = from;
            while (more() && !isBlank(peek()) && peek() != '^')
                ++m_i;
            if (!skipBlanks())
                return std::nullopt;
        }
        return std::nullopt;
    }

    // A date ends at the end of the text, a blank, a "T" (ISO time), "^" (a
    // line end after the answer's clean-up), "." or a real line end.
    [[nodiscard]] bool atDateEnd() const {
        if (!more())
            return true;
        const char c = peek();
        return isBlank(c) || c == 'T' || c == '^' || c == '.' || c == '\r' || c == '\n';
    }

    static bool isValid(const CivilDate& d) {
        static constexpr std::array<int, 12> days = {31, 28, 31, 30, 31, 30,
                                                     31, 31, 30, 31, 30, 31};
        if (d.year < 1 || d.year > 9999 || d.month < 1 || d.month > 12 || d.day < 1)
            return false;
        const bool leap = (d.year % 4 == 0 && d.year % 100 != 0) || d.year % 400 == 0;
        const int limit = days[static_cast<size_t>(d.month - 1)] + (d.month == 2 && leap ? 1 : 0);
        return d.day <= limit;
    }

    std::string_view m_s;
    DateOrder m_order;
    size_t m_i = 0;
};

} // namespace

std::optional<CivilDate> CCore::parseDateValue(std::string_view text, DateOrder order) {
    return DateReader(text, order).read();
}

std::string CCore::parseDate1(std::string_view text, DateOrder order) {
    if (const auto date = parseDateValue(text, order)) {
        char buf[40]; // room for any int, though a valid date needs 11
        std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", date->year, date->month, date->day);
        return buf;
    }
    std::string same(text);
    trimStr(same);
    return same;
}

std::optional<CivilDate> ReadStoredDate(std::string_view text) {
    if (text.size() != 10 || text[4] != '-' || text[7] != '-') {
        return std::nullopt;
    }
    for (const std::size_t i : {0, 1, 2, 3, 5, 6, 8, 9}) {
        if (text[i] < '0' || text[i] > '9') {
            return std::nullopt;
        }
    }
    // The shape is right; the reader says whether the day exists.
    return CCore::parseDateValue(text);
}

long DaysFromCivil(const CivilDate& date) {
    // Howard Hinnant's days_from_civil: eras of 400 years from March 1st.
    const long y = date.year - (date.month <= 2 ? 1 : 0);
    const long era = (y >= 0 ? y : y - 399) / 400;
    const long yoe = y - era * 400;
    const long m = date.month;
    const long doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + date.day - 1;
    const long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

CivilDate LocalToday() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return CivilDate{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday};
}
