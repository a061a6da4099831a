// SPDX-License-Identifier: MIT
#include "engine/whois/answerparser.h"

#include <algorithm>
#include <array>
#include <optional>
#include <span>
#include <string_view>

#include "core/asciicase.h"
#include "core/ccore.h"
#include "engine/answertext.h"
#include "engine/domaintable.h"
#include "engine/rowvalues.h"
#include "engine/valueclean.h"
#include "engine/whois/answerlines.h"
#include "engine/whois/recipes.h"
#include "engine/whois/refusals.h"

namespace {

constexpr std::string_view kNotAvailable = "N/A";
constexpr std::size_t kFieldCount = static_cast<std::size_t>(RecipeField::Registrar) + 1;

bool HasAnyMarker(std::string_view text, std::span<const std::string_view> markers, bool anyCase) {
    for (const std::string_view marker : markers) {
        if (anyCase ? ContainsNoCase(text, marker) : text.find(marker) != std::string_view::npos) {
            return true;
        }
    }
    return false;
}

// The reading of one answer: its lines, and what a raw value becomes.
class ValueReader {
public:
    // `text` is UTF-8 (ASCII included).
    ValueReader(std::string_view text, const Recipe& recipe, std::string_view domain)
        : m_lines(text, false, recipe.indexLetters), m_record(m_lines.RecordStart(domain)) {}

    // The rule's value, or nullopt when no label of it gives one.
    std::optional<std::string> Read(const FieldRule& rule) const {
        if (rule.kind == ValueKind::NotAvail) {
            return std::string(kNotAvailable);
        }
        std::optional<std::string> found;
        const auto accept = [&](std::string_view raw) {
            found = Convert(raw, rule.kind);
            return found.has_value();
        };
        for (const auto& [from, to] : Ranges(rule.section)) {
            for (const std::string_view label : rule.labels) {
                if (m_lines.Find(label, from, to, accept)) {
                    return found;
                }
            }
        }
        return std::nullopt;
    }

    // True when any of `labels` has a value anywhere in the answer.
    bool HasLabel(std::span<const std::string_view> labels) const {
        const auto any = [](std::string_view value) { return !TrimValue(value).empty(); };
        for (const std::string_view label : labels) {
            if (m_lines.Find(label, 0, m_lines.size(), any)) {
                return true;
            }
        }
        return false;
    }

private:
    using Range = std::pair<std::size_t, std::size_t>;

    // Where a rule looks: after its section's heading; else the record of
    // the queried name, then the lines before it.
    std::array<Range, 2> Ranges(std::string_view section) const {
        const std::size_t end = m_lines.size();
        if (!section.empty()) {
            for (std::size_t i = 0; i < end; ++i) {
                if (m_lines.ValueAt(i, section)) {
                    return {Range{i + 1, end}, Range{0, 0}};
                }
            }
        }
        return {Range{m_record, end}, Range{0, m_record}};
    }

    // A raw value as stored, or nullopt when it is no value.
    std::optional<std::string> Convert(std::string_view raw, ValueKind kind) const {
        if (kind == ValueKind::ParenDate) {
            const std::size_t open = raw.find('(');
            const std::size_t close = raw.find(')', open == std::string_view::npos ? 0 : open);
            if (open == std::string_view::npos || close == std::string_view::npos) {
                return std::nullopt;
            }
            const std::string_view inside = raw.substr(open + 1, close - open - 1);
            if (!CCore::parseDateValue(inside)) {
                return std::nullopt;
            }
            return CCore::parseDate1(inside);
        }
        std::string value(TrimValue(raw));
        if (value.empty()) {
            return std::nullopt;
        }
        value = CleanValue(value);
        if (value.empty() || IsRedactedValue(value)) {
            return std::nullopt;
        }
        switch (kind) {
        case ValueKind::Date:
            return CCore::parseDate1(value);
        case ValueKind::DayFirstDate:
            return CCore::parseDate1(value, DateOrder::DayFirst);
        case ValueKind::Email:
            if (value.find('@') == std::string::npos) {
                return std::nullopt;
            }
            return value;
        case ValueKind::Text:
        case ValueKind::ParenDate:
        case ValueKind::NotAvail:
            break;
        }
        return value;
    }

    AnswerLines m_lines;
    std::size_t m_record;
};

// The whole value, and the row's cut GBK copy of it.
void Store(DomainRecord& row, CheckValues& whole, RecipeField field, std::string value) {
    switch (field) {
    case RecipeField::Created:
        SetFieldFromUtf8(row.createdDate, value);
        whole.created = std::move(value);
        break;
    case RecipeField::Expiry:
        SetFieldFromUtf8(row.expiryDate, value);
        whole.expiry = std::move(value);
        break;
    case RecipeField::Updated:
        SetFieldFromUtf8(row.updatedDate, value);
        whole.updated = std::move(value);
        break;
    case RecipeField::Owner:
        SetFieldFromUtf8(row.owner, value);
        whole.owner = std::move(value);
        break;
    case RecipeField::Email:
        SetFieldFromUtf8(row.email, value);
        whole.email = std::move(value);
        break;
    case RecipeField::Phone:
        SetFieldFromUtf8(row.phone, value);
        whole.phone = std::move(value);
        break;
    case RecipeField::Registrar:
        SetFieldFromUtf8(row.registrar, value);
        whole.registrar = std::move(value);
        break;
    }
}

bool Named(const std::optional<std::string>& value) {
    return value && *value != kNotAvailable;
}

// Runs of blanks as one space: "Status:      AVAILABLE" as "Status: AVAILABLE".
std::string WithSingleBlanks(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        const bool blank = c == ' ' || c == '\t';
        if (!blank || out.empty() || out.back() != ' ') {
            out.push_back(blank ? ' ' : c);
        }
    }
    return out;
}

// The line that says which domain an answer is about.
constexpr std::string_view kDomainLabels[] = {"Domain Name", "Domain", "[Domain Name]"};

} // namespace

void ParseAnswer(DomainRecord& row, std::string_view server, std::string answer) {
    CheckValues whole;
    ParseAnswer(row, server, std::move(answer), whole);
}

void ParseAnswer(DomainRecord& row, std::string_view server, std::string answer,
                 CheckValues& whole) {
    whole = CheckValues{};
    if (answer.empty()) {
        row.status = Error;
        return;
    }
    if (server.empty()) {
        return;
    }
    const Recipe* found = FindRecipe(server);
    const Recipe& recipe = found != nullptr ? *found : GenericRecipe();
    DecodedAnswer decoded = DecodeAnswer(std::move(answer));
    if (decoded.gbk) {
        // Read in UTF-8 like every other answer: once, here.
        decoded.text = CCore::ANSI_UTF8(decoded.text);
    }
    const std::string_view text = decoded.text;

    if (!recipe.looseMarkers) {
        std::string scope;
        if (recipe.pre.from != nullptr) {
            scope = CCore::getStrPart(text, recipe.pre.from, recipe.pre.to);
        }
        // Today's .tv answers have no banner for the pre-step to cut at:
        // then the markers are looked for in the whole answer.
        if (HasAnyMarker(scope.empty() ? text : std::string_view(scope), recipe.notRegistered,
                         false)) {
            row.status = NotRegistered;
            return;
        }
    }

    const bool oldLayout =
        recipe.oldLayout != nullptr && text.find(recipe.oldLayout) != std::string_view::npos;
    const std::span<const FieldRule> rules = oldLayout ? recipe.oldFields : recipe.fields;
    const ValueReader reader(text, recipe, FieldText(row.domain));
    std::array<std::optional<std::string>, kFieldCount> values;
    std::array<bool, kFieldCount> written{};
    for (const FieldRule& rule : rules) {
        const auto index = static_cast<std::size_t>(rule.field);
        written[index] = true;
        if (!values[index]) {
            values[index] = reader.Read(rule);
        }
    }

    // An answer that names nothing of a record may be a refusal in its
    // place (asked only then: answers that name one are the many), or say,
    // in words many registries use, that there is none. A registry's own
    // marker found only where its recipe does not look (.tv's outside its
    // banner's cut) keeps its exact meaning.
    const auto named = [&](RecipeField field) {
        return Named(values[static_cast<std::size_t>(field)]);
    };
    const bool namesRecord = named(RecipeField::Created) || named(RecipeField::Expiry) ||
                             named(RecipeField::Registrar) || named(RecipeField::Owner);
    if (!namesRecord) {
        if (DetectRefusal(text).reason != FailReason::None) {
            row.status = Error;
            return;
        }
        const bool ownMarker =
            !recipe.looseMarkers && HasAnyMarker(text, recipe.notRegistered, false);
        // "lanternfield.nl is free": the name itself, then the word.
        const std::string freeName = std::string(FieldText(row.domain)) + " is free";
        if (!ownMarker &&
            (HasAnyMarker(WithSingleBlanks(text), CommonNotRegisteredMarkers(), true) ||
             (!FieldText(row.domain).empty() && ContainsNoCase(text, freeName)))) {
            row.status = NotRegistered;
            return;
        }
        // Not a word of a record nor of the name ("Invalid query", a banner
        // alone): no answer about the name, so no verdict on it. A label
        // the recipe knows counts even when its value is redacted.
        const bool namesAnything =
            ContainsNoCase(text, FieldText(row.domain)) || reader.HasLabel(kDomainLabels) ||
            std::any_of(rules.begin(), rules.end(),
                        [&](const FieldRule& rule) { return reader.HasLabel(rule.labels); });
        if (!ownMarker && !namesAnything) {
            row.status = Error;
            return;
        }
    }
    // Found whatever the labels yield: a missing label only empties its field.
    row.status = Found;
    for (std::size_t index = 0; index < kFieldCount; ++index) {
        if (written[index]) {
            Store(row, whole, static_cast<RecipeField>(index), values[index].value_or(""));
        }
    }
}
