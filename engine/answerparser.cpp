#include "engine/answerparser.h"

#include <cstring>
#include <string_view>

#include "core/ccore.h"
#include "engine/domaintable.h"
#include "engine/recipes.h"

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

void TrimLeft(std::string& text) {
    const std::size_t first = text.find_first_not_of(" \t\r\n\v\f");
    text.erase(0, first == std::string::npos ? text.size() : first);
}

std::string CutValue(const std::string& answer, const FieldRule& rule) {
    std::string value = CCore::getStrPart(answer, rule.begin, rule.end);
    if (value.empty() && rule.orBegin != nullptr) {
        value = CCore::getStrPart(answer, rule.orBegin, rule.end);
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
    if (answer.empty()) {
        row.status = Error;
        return;
    }
    const std::string_view server(row.whoisServer,
                                  strnlen(row.whoisServer, sizeof row.whoisServer));
    const Recipe* recipe = FindRecipe(server);
    if (recipe == nullptr) {
        return;
    }
    ApplyStep(answer, recipe->pre);
    if (answer.find(recipe->notRegistered) != std::string::npos) {
        row.status = NotRegistered;
        return;
    }
    ApplyStep(answer, recipe->post);
    // Found whatever the cuts below yield: a missing label only empties its field.
    row.status = Found;
    for (const FieldRule& rule : recipe->fields) {
        if (rule.after == AfterCut::NotAvail) {
            Store(row, rule.field, kNotAvailable);
        } else {
            Store(row, rule.field, CutValue(answer, rule));
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
