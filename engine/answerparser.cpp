#include "engine/answerparser.h"

#include <cstring>
#include <span>
#include <string_view>

#include "core/ccore.h"
#include "engine/domaintable.h"
#include "engine/recipes.h"
#include "engine/refusals.h"

namespace {

constexpr std::string_view kNotAvailable = "N/A";

void ApplyStep(std::string& answer, const AnswerStep& step) {
    if (step.from != nullptr) {
        answer = CCore::getStrPart(answer, step.from, step.to);
    }
    if (step.toGbk) {
        CCore::UTF8_ANSI(answer);
    }
}

bool HasAnyMarker(const std::string& text, std::span<const std::string_view> markers) {
    for (const std::string_view marker : markers) {
        if (text.find(marker) != std::string::npos) {
            return true;
        }
    }
    return false;
}

void TrimLeft(std::string& text) {
    const std::size_t first = text.find_first_not_of(" \t\r\n\v\f");
    text.erase(0, first == std::string::npos ? text.size() : first);
}

std::string Cut(const std::string& answer, const char* begin, const FieldRule& rule) {
    std::string value = CCore::getStrPart(answer, begin, rule.end);
    if (rule.after == AfterCut::Trim) {
        CCore::trimStr(value);
    }
    return value;
}

std::string CutValue(const std::string& answer, const FieldRule& rule) {
    std::string value = Cut(answer, rule.begin, rule);
    if (value.empty() && rule.orBegin != nullptr) {
        value = Cut(answer, rule.orBegin, rule);
    }
    if (rule.thenFrom != nullptr) {
        value = CCore::getStrPart(value, rule.thenFrom, "");
    }
    switch (rule.after) {
    case AfterCut::CleanDate:
        value = CleanDate(std::move(value));
        break;
    case AfterCut::TrimLeft:
        TrimLeft(value);
        break;
    case AfterCut::None:
    case AfterCut::Trim: // done by Cut()
    case AfterCut::NotAvail:
        break;
    }
    return value;
}

void Store(DomainRecord& row, RecipeField field, std::string_view value) {
    switch (field) {
    case RecipeField::Created:
        SetField(row.createdDate, value);
        break;
    case RecipeField::Expiry:
        SetField(row.expiryDate, value);
        break;
    case RecipeField::Updated:
        SetField(row.updatedDate, value);
        break;
    case RecipeField::Owner:
        SetField(row.owner, value);
        break;
    case RecipeField::Email:
        SetField(row.email, value);
        break;
    case RecipeField::Phone:
        SetField(row.phone, value);
        break;
    case RecipeField::Registrar:
        SetField(row.registrar, value);
        break;
    }
}

} // namespace

void ParseAnswer(DomainRecord& row, std::string answer) {
    if (answer.empty() || DetectRefusal(answer).reason != FailReason::None) {
        row.status = Error;
        return;
    }
    const std::string_view server(row.whoisServer,
                                  strnlen(row.whoisServer, sizeof row.whoisServer));
    const Recipe* recipe = FindRecipe(server);
    if (recipe == nullptr) {
        return;
    }
    std::string text = answer;
    ApplyStep(text, recipe->pre);
    // Today's .tv answers have no banner for the pre-step to cut at: then the
    // markers are looked for in the whole answer.
    if (HasAnyMarker(text.empty() ? answer : text, recipe->notRegistered)) {
        row.status = NotRegistered;
        return;
    }
    std::span<const FieldRule> fields = recipe->fields;
    if (recipe->oldLayout != nullptr && answer.find(recipe->oldLayout) == std::string::npos) {
        text = std::move(answer);
        fields = TodaysLayoutFields();
    } else {
        ApplyStep(text, recipe->post);
    }
    // Found whatever the cuts below yield: a missing label only empties its field.
    row.status = Found;
    for (const FieldRule& rule : fields) {
        if (rule.after == AfterCut::NotAvail) {
            Store(row, rule.field, kNotAvailable);
        } else {
            Store(row, rule.field, CutValue(text, rule));
        }
    }
}

std::string CleanDate(std::string text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        if (c == 'T') {
            out.push_back(' ');
        } else if (c != 'Z') {
            out.push_back(c);
        }
    }
    CCore::trimStr(out);
    return out;
}
