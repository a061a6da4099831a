// SPDX-License-Identifier: MIT
#pragma once

// Registry answer formats as data: which recipe a WHOIS endpoint gets, which
// texts mean the name is not registered, and which labels give which field.
// The routine that reads these tables lives in answerparser.cpp; what a label
// is (start of a line, any case, then a colon) is stated in answerlines.h.

#include <span>
#include <string_view>

// The row field a value is stored in.
enum class RecipeField { Created, Expiry, Updated, Owner, Email, Phone, Registrar };

// How a value is read and cleaned before it is stored.
enum class ValueKind {
    Text,         // CleanValue
    Date,         // CleanDateValue: "YYYY-MM-DD" when it reads as a date
    DayFirstDate, // the same, "31-03-2027" read day first (.hk)
    ParenDate,    // the date in parentheses: "Connected (2027/03/31)"; none: no value
    Email,        // CleanValue; a text without "@" is no address (a web form, a sentence)
    NotAvail,     // the registry has no such value: "N/A", no label read
};

// One way to fill a field: the labels tried in order, on the lines from the
// section's heading on when a section is named (else the record of the
// queried name first, then the whole answer). A field may have several
// rules; the first that gives a value wins. A value that is empty or a
// redaction text ("REDACTED FOR PRIVACY") is no value, so the next label is
// tried. A field with rules but no value anywhere is stored empty.
struct FieldRule {
    RecipeField field;
    std::span<const std::string_view> labels;
    ValueKind kind = ValueKind::Text;
    std::string_view section = {};
};

// Narrows the text the not-registered markers are looked for in: the cut
// from `from` to `to` (to the end when `to` is empty).
struct AnswerStep {
    const char* from = nullptr;
    const char* to = "";
};

struct Recipe {
    const char* server; // endpoint host name, compared as whole bytes; "" for the generic recipe
    // Any one of these, case-sensitive, anywhere in the answer after the
    // pre-step (or in the whole answer when the pre-step left nothing).
    std::span<const std::string_view> notRegistered;
    AnswerStep pre;
    std::span<const FieldRule> fields;
    // A text only the registry's old layout carries. When it is set and the
    // answer holds it, `oldFields` are read instead of `fields`.
    const char* oldLayout = nullptr;
    std::span<const FieldRule> oldFields = {};
    bool indexLetters = false; // lines may begin with an index: "a. [Domain Name]"
    // Markers compared without regard to case, and only when the answer
    // names no date and no registrar (the generic recipe reads answers of
    // every registry, whose terms may well say "not registered").
    bool looseMarkers = false;
};

// The recipe for one of the ten WHOIS endpoints, or nullptr for any other server.
[[nodiscard]] const Recipe* FindRecipe(std::string_view server);

// The recipe of today's common labels for any other server.
[[nodiscard]] const Recipe& GenericRecipe();

// Texts that mean "not registered" in answers of many registries, compared
// without regard to case (the generic recipe's markers).
[[nodiscard]] std::span<const std::string_view> CommonNotRegisteredMarkers();
