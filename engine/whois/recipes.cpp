// SPDX-License-Identifier: MIT
#include "engine/whois/recipes.h"

#include <array>
#include <span>
#include <string_view>

#include "engine/whois/whoisservers.h"

namespace {

using F = RecipeField;
using V = ValueKind;
using Labels = std::string_view[];

// The tables read best one rule a line.
// clang-format off

// --- .com and .net ------------------------------------------------------------
// The registry's own answer, then (adopted after a referral) the registrar's:
//    Registrar: Bluefin Names, Inc.
//    Registry Expiry Date: 2027-03-21T17:40:09Z
//    Registrar Registration Expiration Date: 2028-05-11T00:00:00-0700
//    Expires on..............: 2012-03-14.
// "Registrar:" names the registrar. The owner is the registrant the
// registrar's answer names: its organisation, else its name, else the first
// line of an older layout's block:
//    Registrant:
//       Bluefin Holdings Ltd.
constexpr Labels kComCreated{"Creation Date", "Created on", "Registration Date"};
constexpr Labels kComExpiry{"Registry Expiry Date", "Expiration Date",
                            "Registrar Registration Expiration Date", "Expiry Date", "Expires on"};
constexpr Labels kComUpdated{"Updated Date", "Update Date", "Last Updated on",
                             "Record last updated on"};
constexpr Labels kComRegistrar{"Registrar", "Sponsoring Registrar", "Registrar Name",
                               "Registered through"};
constexpr Labels kOrganisation{"Registrant Organization"};
constexpr Labels kRegistrantName{"Registrant Name"};
constexpr Labels kRegistrantBlock{"Registrant"};
constexpr Labels kRegistrantEmail{"Registrant Email"};
constexpr std::array kComNet{
    FieldRule{F::Created, kComCreated, V::Date},
    FieldRule{F::Expiry, kComExpiry, V::Date},
    FieldRule{F::Updated, kComUpdated, V::Date},
    FieldRule{F::Registrar, kComRegistrar},
    FieldRule{F::Owner, kOrganisation},
    FieldRule{F::Owner, kRegistrantName},
    FieldRule{F::Owner, kRegistrantBlock},
    FieldRule{F::Email, kRegistrantEmail, V::Email},
};

// --- .cc, through the registrar's server -----------------------------------------
// Registrant Phone: +86.5925551234
// The only recipe that writes the phone.
constexpr Labels kCreated{"Creation Date"};
constexpr Labels kRegistryExpiry{"Registry Expiry Date", "Registrar Registration Expiration Date",
                                 "Expiration Date"};
constexpr Labels kUpdated{"Updated Date"};
constexpr Labels kRegistrar{"Registrar"};
constexpr Labels kRegistrantPhone{"Registrant Phone"};
constexpr std::array kCc{
    FieldRule{F::Created, kCreated, V::Date},
    FieldRule{F::Expiry, kRegistryExpiry, V::Date},
    FieldRule{F::Updated, kUpdated, V::Date},
    FieldRule{F::Owner, kRegistrantName},
    FieldRule{F::Owner, kOrganisation},
    FieldRule{F::Email, kRegistrantEmail, V::Email},
    FieldRule{F::Phone, kRegistrantPhone},
    FieldRule{F::Registrar, kRegistrar},
};

// --- .info, .org, .biz and .tv -----------------------------------------------------
// One label a line, today:
//   Registry Expiry Date: 2029-01-14T16:20:05Z
// and in the registries' older layouts:
//   Created On:03-Apr-2006 11:02:17 UTC                           (.info, .org)
//   Domain Expiration Date:        Sat Mar 12 23:59:59 GMT 2011   (.biz)
// The name, else (blank or redacted) the organisation.
constexpr Labels kRegistryCreated{"Creation Date", "Created On", "Domain Registration Date"};
constexpr Labels kRegistryExpiryOld{"Registry Expiry Date", "Expiration Date",
                                    "Domain Expiration Date",
                                    "Registrar Registration Expiration Date"};
constexpr Labels kRegistryUpdated{"Updated Date", "Last Updated On", "Domain Last Updated Date"};
constexpr Labels kRegistryRegistrar{"Registrar", "Sponsoring Registrar"};
constexpr std::array kRegistry{
    FieldRule{F::Created, kRegistryCreated, V::Date},
    FieldRule{F::Expiry, kRegistryExpiryOld, V::Date},
    FieldRule{F::Registrar, kRegistryRegistrar},
    FieldRule{F::Updated, kRegistryUpdated, V::Date},
    FieldRule{F::Owner, kRegistrantName},
    FieldRule{F::Owner, kOrganisation},
    FieldRule{F::Email, kRegistrantEmail, V::Email},
};

// .tv before the registry's move to today's layout: a thin answer under a
// banner, no registrant at all.
//    Expiration Date: 21-jun-2026
constexpr std::array kTvThin{
    FieldRule{F::Created, kCreated, V::Date},
    FieldRule{F::Expiry, kRegistryExpiryOld, V::Date},
    FieldRule{F::Registrar, kRegistrar},
    FieldRule{F::Updated, kUpdated, V::Date},
    FieldRule{F::Owner, {}, V::NotAvail},
    FieldRule{F::Email, {}, V::NotAvail},
};

// --- .jp ------------------------------------------------------------------------------
// Three layouts, the Japanese one in UTF-8 or in ISO-2022-JP (read as UTF-8
// by then):
//   [Expires on]                    2027/08/31               (English)
//   [State]                         Connected (2027/09/30)   (organisations' names)
//   [有効期限]                      2027/08/31               (Japanese)
// An organisation's name (co.jp, ac.jp) has no expiry of its own: the date
// it stays connected until stands for it, and its connection date for a
// registration date it leaves blank. The registrant's name in the
// registry's own language comes first.
constexpr Labels kJpCreated{"[登録年月日]", "[Created on]", "[Registered Date]"};
constexpr Labels kJpConnected{"[接続年月日]", "[Connected Date]"};
constexpr Labels kJpExpiry{"[有効期限]", "[Expires on]"};
constexpr Labels kJpState{"[状態]", "[State]"};
constexpr Labels kJpUpdated{"[最終更新]", "[Last Updated]", "[Last Update]"};
constexpr Labels kJpOwner{"[登録者名]", "[組織名]", "[Registrant]", "[Organization]",
                          "[Network Service Name]"};
constexpr Labels kJpEmail{"[Email]"};
constexpr std::array kJp{
    FieldRule{F::Created, kJpCreated, V::Date},
    FieldRule{F::Created, kJpConnected, V::Date},
    FieldRule{F::Expiry, kJpExpiry, V::Date},
    FieldRule{F::Expiry, kJpState, V::ParenDate},
    FieldRule{F::Owner, kJpOwner},
    FieldRule{F::Email, kJpEmail, V::Email},
    FieldRule{F::Updated, kJpUpdated, V::Date},
    FieldRule{F::Registrar, {}, V::NotAvail},
};

// --- .hk ------------------------------------------------------------------------------
// Expiry Date: 05-11-2027      (day first)
// Registrar Name: HARBOURSIDE DOMAINS LIMITED
// The holder's name and e-mail are read in the registrant's block only: the
// registrar's contact line also carries an "Email:".
//   Registrant Contact Information:
//   Company English Name (It should be the same as ...): JADE FERRY TRADING LIMITED
constexpr Labels kHkCreated{"Domain Name Commencement Date"};
constexpr Labels kHkExpiry{"Expiry Date"};
constexpr Labels kHkRegistrar{"Registrar Name", "Name of Registrar"};
constexpr Labels kHkHolder{"Company English Name", "Holder English Name", "Holder Name", "Holder",
                           "Company Chinese Name", "Holder Chinese Name"};
constexpr Labels kEmail{"Email"};
constexpr std::string_view kHkRegistrant = "Registrant Contact Information";
constexpr std::array kHk{
    FieldRule{F::Created, kHkCreated, V::DayFirstDate},
    FieldRule{F::Expiry, kHkExpiry, V::DayFirstDate},
    FieldRule{F::Owner, kHkHolder, V::Text, kHkRegistrant},
    FieldRule{F::Email, kEmail, V::Email, kHkRegistrant},
    FieldRule{F::Updated, {}, V::NotAvail},
    FieldRule{F::Registrar, kHkRegistrar},
};

// --- .edu -----------------------------------------------------------------------------
// Domain expires:             31-Jul-2027
// The registrant is the first line of its indented block.
constexpr Labels kEduCreated{"Domain record activated"};
constexpr Labels kEduExpiry{"Domain expires"};
constexpr Labels kEduUpdated{"Domain record last updated"};
constexpr std::array kEdu{
    FieldRule{F::Created, kEduCreated, V::Date},
    FieldRule{F::Expiry, kEduExpiry, V::Date},
    FieldRule{F::Updated, kEduUpdated, V::Date},
    FieldRule{F::Registrar, {}, V::NotAvail},
    FieldRule{F::Owner, kRegistrantBlock},
    FieldRule{F::Email, {}, V::NotAvail},
};

// --- .cn ------------------------------------------------------------------------------
// Registration Time: 2009-06-02 10:41:27      (2010: "Registration Date:")
// Registrant: 兰亭示例科技有限公司
constexpr Labels kCnCreated{"Registration Time", "Registration Date"};
constexpr Labels kCnExpiry{"Expiration Time", "Expiration Date"};
constexpr Labels kCnRegistrar{"Sponsoring Registrar"};
constexpr Labels kCnOwner{"Registrant", "Registrant Organization", "Registrant Name"};
constexpr Labels kCnEmail{"Registrant Contact Email", "Administrative Email"};
constexpr std::array kCn{
    FieldRule{F::Created, kCnCreated, V::Date},
    FieldRule{F::Expiry, kCnExpiry, V::Date},
    FieldRule{F::Registrar, kCnRegistrar},
    FieldRule{F::Owner, kCnOwner},
    FieldRule{F::Email, kCnEmail, V::Email},
    FieldRule{F::Updated, {}, V::NotAvail},
};

// --- any other server -------------------------------------------------------------------
// Today's common labels, as registries outside the ten write them:
//   Registry Expiry Date: 2027-05-01T00:00:00Z
//   paid-till:     2027-05-01T21:00:00Z
//   Expiry date:  01-May-2027
// and blocks, as some write them:
//   Registrar:
//       Bluefin Names Ltd [Tag = BLUEFIN]
constexpr Labels kAnyExpiry{"Registry Expiry Date", "Expiry Date", "Expiration Date", "paid-till",
                            "expires", "Expiration Time", "Registrar Registration Expiration Date",
                            "Expires on", "Expire Date"};
constexpr Labels kAnyCreated{"Creation Date", "Created", "Registered", "Registered on",
                             "Registration Time", "Registration Date", "Created on"};
constexpr Labels kAnyUpdated{"Updated Date", "Last Updated", "Last Modified", "changed",
                             "Last updated on", "Modified"};
constexpr Labels kAnyRegistrar{"Registrar", "Sponsoring Registrar", "Registrar Name"};
constexpr Labels kAnyOwner{"Registrant Organization", "Registrant Name", "org", "Registrant"};
constexpr std::array kAny{
    FieldRule{F::Created, kAnyCreated, V::Date},
    FieldRule{F::Expiry, kAnyExpiry, V::Date},
    FieldRule{F::Updated, kAnyUpdated, V::Date},
    FieldRule{F::Registrar, kAnyRegistrar},
    FieldRule{F::Owner, kAnyOwner},
    FieldRule{F::Email, kRegistrantEmail, V::Email},
};

// clang-format on

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
// Any case, runs of blanks read as one; counted only in an answer that
// names no record. The words of the registries IANA leads to as well:
//   %% No entries found in the database.
//   Status:             AVAILABLE
//   query_status: 220 Available
//   No information available about domain name x.pl in the Registry NASK database.
//   There is no information available on the domain consulted.
//   x.cl: no existe
//   El dominio no se encuentra registrado en la base de datos.
//   We do not have an entry in our database matching your query.
constexpr std::array<std::string_view, 24> kCommonAbsent{
    "No match",
    "NOT FOUND",
    "No Data Found",
    "No entries found",
    "Status: free",
    "Status: AVAILABLE",
    "is available for registration",
    "not registered",
    "does not exist",
    "No Object Found",
    "has not been registered",
    "query_status: 220 Available",
    "no information available",
    "returned 0 objects",
    "no such domain",
    "domain unknown",
    "nothing found",
    "domain name not known",
    "Object_Not_Found",
    "no existe",
    "no se encuentra registrado",
    "do not have an entry in our database",
    "Nincs talalat",
    "No_Se_Encontro_El_Objeto",
};

constexpr AnswerStep kNone{};

// First match wins: the server a row is asked at is compared, as whole bytes,
// with each server in this order, and the first equal one chooses the recipe.
//
// .tv's old layout: with its banner, the markers count only between the
// banner and "NOTICE:" and the thin table is read; today's answers have no
// banner.
constexpr std::array kRecipes{
    Recipe{ServerComNet, Markers{kNoMatchFor}, kNone, kComNet},
    Recipe{ServerCc, Markers{kNoMatchFor}, kNone, kCc},
    Recipe{ServerInfo, Markers{kInfoOrgAbsent}, kNone, kRegistry},
    Recipe{ServerTv,
           Markers{kNoMatchFor},
           {"for detailed information.", "NOTICE:"},
           kRegistry,
           "for detailed information.",
           kTvThin},
    Recipe{.server = ServerJp,
           .notRegistered = Markers{kJpAbsent},
           .pre = kNone,
           .fields = kJp,
           .indexLetters = true},
    Recipe{ServerHk, Markers{kHkAbsent}, kNone, kHk},
    Recipe{ServerEdu, Markers{kEduAbsent}, kNone, kEdu},
    Recipe{ServerBiz, Markers{kBizAbsent}, kNone, kRegistry},
    Recipe{ServerOrg, Markers{kInfoOrgAbsent}, kNone, kRegistry},
    Recipe{ServerCn, Markers{kCnAbsent}, kNone, kCn},
};

constexpr Recipe kGeneric{.server = "",
                          .notRegistered = Markers{kCommonAbsent},
                          .pre = kNone,
                          .fields = kAny,
                          .looseMarkers = true};

} // namespace

const Recipe* FindRecipe(std::string_view server) {
    for (const Recipe& recipe : kRecipes) {
        if (server == recipe.server) {
            return &recipe;
        }
    }
    return nullptr;
}

const Recipe& GenericRecipe() {
    return kGeneric;
}

std::span<const std::string_view> CommonNotRegisteredMarkers() {
    return kCommonAbsent;
}
