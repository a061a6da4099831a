#include "engine/recipes.h"

#include <array>
#include <span>
#include <string_view>

#include "engine/whoisservers.h"

namespace {

using F = RecipeField;
using A = AfterCut;

//    Creation Date: 2004-05-11T09:21:33Z
// The registrar's name on "Registrar:" goes to owner; registrar takes what
// follows "Sponsoring Registrar " on its line. Answers that label the expiry
// "Registry Expiry Date:" are served by the second cut, which finds the label
// at the end of the longer one.
constexpr std::array kComNet{
    FieldRule{F::Created, "Creation Date:", "^", A::CleanDate},
    FieldRule{.field = F::Expiry,
              .begin = "Expiration Date:",
              .end = "^",
              .after = A::CleanDate,
              .orBegin = "Expiry Date:"},
    FieldRule{F::Owner, "Registrar:", "^"},
    FieldRule{F::Updated, "Updated Date:", "^", A::CleanDate},
    FieldRule{F::Registrar, "Sponsoring Registrar ", "^"},
};

// Registrant Phone: +86.5718812345
// A date stops at the "T" of its timestamp; the other values stop at the next
// label that begins with the end marker's letters.
constexpr std::array kCc{
    FieldRule{F::Created, "Creation Date:", "T"},
    FieldRule{F::Expiry, "Expiration Date:", "T"},
    FieldRule{F::Updated, "database:", "T", A::TrimLeft},
    FieldRule{F::Owner, "Registrant Name:", "Registrant"},
    FieldRule{F::Email, "Registrant Email:", "Reg", A::TrimLeft},
    FieldRule{F::Phone, "Registrant Phone:", "Reg", A::TrimLeft},
    FieldRule{F::Registrar, "Registrar:", "Registrar", A::TrimLeft},
};

// Created On:03-Apr-2006 11:02:17 UTC
constexpr std::array kInfo{
    FieldRule{F::Created, "Created On:", "Last Updated On:"},
    FieldRule{F::Expiry, "Expiration Date:", "Trademark Name:"},
    FieldRule{F::Registrar, "Sponsoring Registrar:", "Status:"},
    FieldRule{F::Updated, "Last Updated On:", "Expiration Date:"},
    FieldRule{F::Owner, "Registrant Name:", "Registrant Organization:"},
    FieldRule{F::Email, "Registrant Email:", "Name Server:"},
};

//    Expiration Date: 21-jun-2026
constexpr std::array kTv{
    FieldRule{F::Created, "Creation Date:", "Expiration Date"},
    FieldRule{F::Expiry, "Expiration Date:", ">>>"},
    FieldRule{F::Registrar, "Registrar:", "Whois Server:"},
    FieldRule{F::Updated, "Updated Date:", "Creation Date:"},
    FieldRule{F::Owner, "", "", A::NotAvail},
    FieldRule{F::Email, "", "", A::NotAvail},
};

// [<ESC>$B<JIS 有効期限><ESC>(B]                2027/08/31
// The Japanese date labels are matched by their ISO-2022-JP bytes: "BEPO?G/7nF"
// lies inside [登録年月日], "BM-8z4|8B" is [有効期限], "G=*99" lies inside
// [最終更新]. The first cut runs from such a label to the next "[" (or to
// "Contact Information:"); the value is what follows the label's "]" in it.
constexpr std::array kJp{
    FieldRule{.field = F::Created, .begin = "BEPO?G/7nF", .end = "[", .thenFrom = "]"},
    FieldRule{.field = F::Expiry, .begin = "BM-8z4|8B", .end = "[", .thenFrom = "]"},
    FieldRule{F::Owner, "[Registrant]", "[Name Server]"},
    FieldRule{F::Email, "[Email]", "[Web Page]"},
    FieldRule{
        .field = F::Updated, .begin = "G=*99", .end = "Contact Information:", .thenFrom = "]"},
    FieldRule{F::Registrar, "", "", A::NotAvail},
};

// Expiry Date: 05-11-2027
// The registrar's name goes to owner.
constexpr std::array kHk{
    FieldRule{F::Created, "Domain Name Commencement Date:", "Country:"},
    FieldRule{F::Expiry, "Expiry Date:", "Re-registration Status:"},
    FieldRule{F::Owner, "Name of Registrar:", "Account Name:"},
    FieldRule{F::Email, "Email:", "Domain Name Commencement Date:"},
    FieldRule{F::Updated, "", "", A::NotAvail},
    FieldRule{F::Registrar, "", "", A::NotAvail},
};

//    Domain expires:            31-Jul-2027
constexpr std::array kEdu{
    FieldRule{F::Created, "Domain record activated:", "Domain record last updated:"},
    FieldRule{F::Expiry, "Domain expires:", ""},
    FieldRule{F::Updated, "Domain record last updated:", "Domain expires:"},
    FieldRule{F::Registrar, "", "", A::NotAvail},
    FieldRule{F::Owner, "", "", A::NotAvail},
    FieldRule{F::Email, "", "", A::NotAvail},
};

// Domain Expiration Date:                      Sat Mar 13 23:59:59 GMT 2027
constexpr std::array kBiz{
    FieldRule{F::Created, "Domain Registration Date:", "Domain Expiration Date:"},
    FieldRule{F::Expiry, "Domain Expiration Date:", "Domain Last Updated Date:"},
    FieldRule{F::Registrar, "Sponsoring Registrar:", "Sponsoring Registrar IANA ID:"},
    FieldRule{F::Updated, "Domain Last Updated Date:", ">>>>"},
    FieldRule{F::Owner, "Registrant Name:", "Registrant Organization:"},
    FieldRule{F::Email, "Registrant Email:", "Administrative Contact ID:"},
};

// Sponsoring Registrar:Lakeview Names Inc. (R1234-LROR)
constexpr std::array kOrg{
    FieldRule{F::Created, "Created On:", "Last Updated On"},
    FieldRule{F::Expiry, "Expiration Date:", "Sponsoring Registrar"},
    FieldRule{F::Registrar, "Sponsoring Registrar:", "Status:"},
    FieldRule{F::Updated, "Last Updated On:", "Expiration Date:"},
    FieldRule{F::Owner, "Registrant Name:", "Registrant Organization:"},
    FieldRule{F::Email, "Registrant Email:", "Admin ID:"},
};

// Registration Time: 2009-06-02 10:41:27
constexpr std::array kCn{
    FieldRule{F::Created, "Registration Time: ", "^"},
    FieldRule{F::Expiry, "Expiration Time: ", "^"},
    FieldRule{F::Registrar, "Sponsoring Registrar:", "Name Server"},
    FieldRule{F::Owner, "Registrant: ", "Regis"},
    FieldRule{F::Email, "Registrant Contact Email: ", "^"},
    FieldRule{F::Updated, "", "", A::NotAvail},
};

// Today's layout, one label a line, as the registries of .info, .org, .biz
// and .tv write it now (and .org and .info already did, label and value
// without a blank, in their transitional years):
//   Registry Expiry Date: 2029-01-14T16:20:05Z
// Values run to the line end and are trimmed. Dates are stored as written,
// as the old tables of these registries stored theirs (only the .com/.net
// recipe cleans dates). A blank "Registrant Name:" (or none) gives way to the
// organisation; a registrar's own answer names its expiry differently.
// There is no "N/A" row: a label the answer lacks empties its field (today's
// thin .tv answer names no registrant, so owner and email come out empty).
constexpr std::array kToday{
    FieldRule{F::Created, "Creation Date:", "^", A::Trim},
    FieldRule{.field = F::Expiry,
              .begin = "Registry Expiry Date:",
              .end = "^",
              .after = A::Trim,
              .orBegin = "Registrar Registration Expiration Date:"},
    FieldRule{F::Registrar, "Registrar:", "^", A::Trim},
    FieldRule{F::Updated, "Updated Date:", "^", A::Trim},
    FieldRule{.field = F::Owner,
              .begin = "Registrant Name:",
              .end = "^",
              .after = A::Trim,
              .orBegin = "Registrant Organization:"},
    FieldRule{F::Email, "Registrant Email:", "^", A::Trim},
};

// Not-registered markers: the registry's old text first, then the text it
// writes today, each exactly as the registry writes it.
using Markers = std::span<const std::string_view>;
constexpr std::array<std::string_view, 1> kNoMatchFor{"No match for"};
constexpr std::array<std::string_view, 2> kInfoOrgAbsent{"NOT FOUND", "Domain not found."};
constexpr std::array<std::string_view, 1> kJpAbsent{"No match!!"};
constexpr std::array<std::string_view, 2> kHkAbsent{"Domain Not Found",
                                                    "The domain has not been registered."};
//   NO MATCH: nobody-owns-this-yet.edu
constexpr std::array<std::string_view, 2> kEduAbsent{"No Match", "NO MATCH:"};
constexpr std::array<std::string_view, 2> kBizAbsent{"Not found", "No Data Found"};
constexpr std::array<std::string_view, 2> kCnAbsent{"no matching record", "No matching record."};

constexpr AnswerStep kNone{};

// First match wins: a row's whoisServer is compared, as whole bytes, with each
// server in this order, and the first equal one chooses the recipe.
//
// Old or today's layout: a recipe with an anchor in the last column reads an
// answer with its own steps and table only when the answer, as received,
// contains the anchor; otherwise kToday reads the whole answer. The anchor is
// a label (or, for .tv, the banner) that only the registry's old layout has.
constexpr std::array kRecipes{
    Recipe{ServerComNet, Markers{kNoMatchFor}, kNone, kNone, kComNet},
    Recipe{ServerCc, Markers{kNoMatchFor}, kNone, kNone, kCc},
    Recipe{ServerInfo, Markers{kInfoOrgAbsent}, kNone, kNone, kInfo, "Created On:"},
    Recipe{ServerTv,
           Markers{kNoMatchFor},
           {"for detailed information.", "NOTICE:"},
           kNone,
           kTv,
           "for detailed information."},
    Recipe{ServerJp, Markers{kJpAbsent}, kNone, {"[Domain Name]", "", true}, kJp},
    Recipe{ServerHk, Markers{kHkAbsent}, kNone, kNone, kHk},
    Recipe{ServerEdu, Markers{kEduAbsent}, kNone, kNone, kEdu},
    Recipe{ServerBiz, Markers{kBizAbsent}, kNone, kNone, kBiz, "Domain Registration Date:"},
    Recipe{ServerOrg,
           Markers{kInfoOrgAbsent},
           kNone,
           {"you agree to abide by this policy", "Tech Email:"},
           kOrg,
           "Created On:"},
    Recipe{ServerCn, Markers{kCnAbsent}, kNone, {nullptr, "", true}, kCn},
};

} // namespace

const Recipe* FindRecipe(std::string_view server) {
    for (const Recipe& recipe : kRecipes) {
        if (server == recipe.server) {
            return &recipe;
        }
    }
    return nullptr;
}

std::span<const FieldRule> TodaysLayoutFields() {
    return kToday;
}
