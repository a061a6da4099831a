// SPDX-License-Identifier: MIT
#pragma once

// Reads an RDAP domain object (the JSON of a 200 answer) into plain UTF-8
// values: dates as YYYY-MM-DD, the registrar's name, the registrant's name,
// e-mail and telephone, with every redacted value left empty.

#include <string>
#include <string_view>

struct RdapDomainFields {
    bool ok = false;    // a domain object was read
    std::string error;  // why not, when !ok
    std::string name;   // "ldhName" as the server wrote it
    std::string expiry; // "expiration", else "registrar expiration"
    std::string created;
    std::string updated; // "last changed"
    std::string registrar;
    bool hasRegistrant = false; // an entity with the role "registrant" was there
    std::string owner;
    std::string email;
    std::string phone;
    // The registrar's own RDAP answer for this name, from the registry's
    // "related" link; "" when the answer names none.
    std::string registrarUrl;
};

// `queriedName` is the A-label that was asked for; the registrar link must
// end in "domain/" and this name (the answer's own name when empty).
[[nodiscard]] RdapDomainFields ReadRdapDomain(std::string_view json,
                                              std::string_view queriedName = {});

// Fills the fields `base` lacks from `other` (the registrar's answer adds
// the registrant to the registry's dates and registrar).
void FillMissingRdapFields(RdapDomainFields& base, const RdapDomainFields& other);

// An RDAP date in any ISO 8601 form servers write ("2025-01-02T03:04:05Z",
// "...05.123Z", "...05+0000", "...05+08:00", without zone, date alone) as
// YYYY-MM-DD, the date as written; "" when the text holds no such date.
[[nodiscard]] std::string RdapDate(std::string_view text);
