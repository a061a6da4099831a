#pragma once

// Registry answer formats as data: which recipe a WHOIS endpoint gets, how
// its answer is narrowed before and after the not-registered test, and which
// label cuts which field. The routine that reads these tables lives in
// answerparser.cpp.

#include <span>
#include <string_view>

// The row field a cut value is stored in.
enum class RecipeField { Created, Expiry, Updated, Owner, Email, Phone, Registrar };

// What happens to a cut value before it is stored.
enum class AfterCut {
    None,
    CleanDate, // CleanDate(): "T" to blank, "Z" removed, trimmed
    TrimLeft,  // leading blank, tab, CR, LF, VT, FF removed ("^" stays)
    Trim,      // CCore::trimStr on both ends, before the empty test of orBegin
    NotAvail,  // the registry has no such value: store "N/A", cut nothing
};

struct FieldRule {
    RecipeField field;
    const char* begin = ""; // label in front of the value
    const char* end = "";   // first text after the value; "" = rest of the answer
    AfterCut after = AfterCut::None;
    // Second cut with this label when the first cut is empty (same end marker).
    const char* orBegin = nullptr;
    // Then cut the value again, from this text to its end.
    const char* thenFrom = nullptr;
};

// Narrows the answer: when `from` is set, the answer becomes the cut from
// `from` to `to`; then, when `toGbk` is set, it is converted from UTF-8.
struct AnswerStep {
    const char* from = nullptr;
    const char* to = "";
    bool toGbk = false;
};

struct Recipe {
    const char* server; // endpoint host name, compared as whole bytes
    // Any one of these, case-sensitive, anywhere in the answer after the
    // pre-step (or in the whole answer when the pre-step left nothing).
    std::span<const std::string_view> notRegistered;
    AnswerStep pre;  // before the not-registered test
    AnswerStep post; // after it
    std::span<const FieldRule> fields;
    // A text only the registry's old layout carries. When it is set and the
    // answer as received lacks it, TodaysLayoutFields() read the whole answer
    // instead of the post-step and `fields`.
    const char* oldLayout = nullptr;
};

// The recipe for a WHOIS server, or nullptr for a server outside the ten.
[[nodiscard]] const Recipe* FindRecipe(std::string_view server);

// The key-value layout registries write today ("Creation Date: ...", one
// label a line), shared by every recipe that has an old-layout anchor.
[[nodiscard]] std::span<const FieldRule> TodaysLayoutFields();
