// SPDX-License-Identifier: MIT
#include "engine/rdap/rdapdomain.h"

#include <array>
#include <cstdio>
#include <nlohmann/json.hpp>
#include <vector>

#include "core/asciicase.h"
#include "core/ccore.h"
#include "core/text.h"
#include "engine/valueclean.h"

namespace {

using Json = nlohmann::json;

// Entities nest (a registrar's abuse contact inside the registrar); real
// answers go two or three levels deep, so a much deeper walk is hostile.
constexpr int kMaxEntityDepth = 16;

// The vCard properties read from a contact.
enum class Field { Name, Org, Email, Phone };
constexpr std::size_t kFieldCount = 4;

enum class Role { Registrant, Registrar };
constexpr std::size_t kRoleCount = 2;

// Which fields an RFC 9537 "redacted" list says were withheld, per role.
using RedactedSet = std::array<std::array<bool, kFieldCount>, kRoleCount>;

const std::string* StringAt(const Json& object, const char* key) {
    if (!object.is_object()) {
        return nullptr;
    }
    const auto found = object.find(key);
    if (found == object.end() || !found->is_string()) {
        return nullptr;
    }
    return &found->get_ref<const std::string&>();
}

const Json* ArrayAt(const Json& object, const char* key) {
    if (!object.is_object()) {
        return nullptr;
    }
    const auto found = object.find(key);
    return found != object.end() && found->is_array() ? &*found : nullptr;
}

bool HasRole(const Json& entity, std::string_view role) {
    if (const Json* roles = ArrayAt(entity, "roles")) {
        for (const auto& item : *roles) {
            if (item.is_string() &&
                EqualsNoCase(TrimBlanks(item.get_ref<const std::string&>()), role)) {
                return true;
            }
        }
    }
    return false;
}

bool HasIanaRegistrarId(const Json& entity) {
    if (const Json* ids = ArrayAt(entity, "publicIds")) {
        for (const auto& id : *ids) {
            const std::string* type = StringAt(id, "type");
            if (type != nullptr && EqualsNoCase(TrimBlanks(*type), "IANA Registrar ID")) {
                return true;
            }
        }
    }
    return false;
}

// Every entity, at any depth, in document order (a parent before its children).
void CollectEntities(const Json& holder, int depth, std::vector<const Json*>& out) {
    if (depth > kMaxEntityDepth) {
        return;
    }
    if (const Json* entities = ArrayAt(holder, "entities")) {
        for (const auto& entity : *entities) {
            if (entity.is_object()) {
                out.push_back(&entity);
                CollectEntities(entity, depth + 1, out);
            }
        }
    }
}

const Json* FindEntity(const std::vector<const Json*>& entities, std::string_view role) {
    for (const Json* entity : entities) {
        if (HasRole(*entity, role)) {
            return entity;
        }
    }
    return nullptr;
}

// A value that stands for no value: empty, or a redaction text
// ("REDACTED FOR PRIVACY", "REDACTED REGISTRANT", "Data Protected").
bool IsWithheld(std::string_view value) {
    return TrimBlanks(value).empty() || IsRedactedValue(value);
}

std::string Kept(std::string_view value) {
    return IsWithheld(value) ? std::string() : std::string(TrimBlanks(value));
}

// The text of a vCard property value: a string, or the first string of a
// structured value (an "org" may be ["Example Ltd", "Sales"]).
std::string ValueText(const Json& value) {
    if (value.is_string()) {
        return value.get<std::string>();
    }
    if (value.is_array()) {
        for (const auto& part : value) {
            if (part.is_string() && !TrimBlanks(part.get_ref<const std::string&>()).empty()) {
                return part.get<std::string>();
            }
        }
    }
    return {};
}

bool ParamsSay(const Json& params, std::string_view type) {
    if (!params.is_object()) {
        return false;
    }
    const auto found = params.find("type");
    if (found == params.end()) {
        return false;
    }
    if (found->is_string()) {
        return ContainsNoCase(found->get_ref<const std::string&>(), type);
    }
    if (found->is_array()) {
        for (const auto& item : *found) {
            if (item.is_string() && EqualsNoCase(item.get_ref<const std::string&>(), type)) {
                return true;
            }
        }
    }
    return false;
}

// ["vcard", [["fn", {}, "text", "Example Registrar, Inc."], ...]]
struct Contact {
    std::string name;
    std::string org;
    std::string email;
    std::string phone;
};

std::string CleanEmail(std::string value) {
    value = Kept(value);
    if (StartsWithNoCase(value, "mailto:")) {
        value.erase(0, 7);
    }
    // A contact form's web address in place of the address is no e-mail.
    if (StartsWithNoCase(value, "http:") || StartsWithNoCase(value, "https:") ||
        value.find('@') == std::string::npos) {
        return {};
    }
    return value;
}

std::string CleanPhone(std::string value) {
    value = Kept(value);
    if (StartsWithNoCase(value, "tel:")) {
        value.erase(0, 4);
    }
    return std::string(TrimBlanks(value));
}

Contact ReadContact(const Json& entity) {
    Contact contact;
    const Json* card = ArrayAt(entity, "vcardArray");
    if (card == nullptr || card->size() < 2 || !(*card)[1].is_array()) {
        return contact;
    }
    std::string fax;
    for (const auto& property : (*card)[1]) {
        if (!property.is_array() || property.size() < 4 || !property[0].is_string()) {
            continue;
        }
        const std::string& name = property[0].get_ref<const std::string&>();
        const std::string value = ValueText(property[3]);
        if (EqualsNoCase(name, "fn")) {
            if (contact.name.empty()) {
                contact.name = Kept(value);
            }
        } else if (EqualsNoCase(name, "org")) {
            if (contact.org.empty()) {
                contact.org = Kept(value);
            }
        } else if (EqualsNoCase(name, "email")) {
            if (contact.email.empty()) {
                contact.email = CleanEmail(value);
            }
        } else if (EqualsNoCase(name, "tel")) {
            // A fax number only when no other number is given.
            if (ParamsSay(property[1], "fax")) {
                if (fax.empty()) {
                    fax = CleanPhone(value);
                }
            } else if (contact.phone.empty()) {
                contact.phone = CleanPhone(value);
            }
        }
    }
    if (contact.phone.empty()) {
        contact.phone = fax;
    }
    return contact;
}

void Withhold(Contact& contact, const std::array<bool, kFieldCount>& redacted) {
    if (redacted[static_cast<std::size_t>(Field::Name)]) {
        contact.name.clear();
    }
    if (redacted[static_cast<std::size_t>(Field::Org)]) {
        contact.org.clear();
    }
    if (redacted[static_cast<std::size_t>(Field::Email)]) {
        contact.email.clear();
    }
    if (redacted[static_cast<std::size_t>(Field::Phone)]) {
        contact.phone.clear();
    }
}

// "Registrant Name", "Registrant Email", "Registrant Phone" (the registered
// redaction names), or a JSONPath such as
// "$.entities[?(@.roles[0]=='registrant')].vcardArray[1][?(@[0]=='email')][3]".
void MarkRedaction(const Json& member, RedactedSet& set) {
    std::vector<std::string> texts;
    std::string label;
    if (const auto name = member.find("name"); name != member.end() && name->is_object()) {
        for (const char* key : {"type", "description"}) {
            if (const std::string* text = StringAt(*name, key)) {
                label = *text;
                break;
            }
        }
    }
    std::string paths;
    for (const char* key : {"prePath", "postPath", "replacementPath"}) {
        if (const std::string* text = StringAt(member, key)) {
            paths += *text;
            paths += ' ';
        }
    }
    auto mark = [&](Role role, Field field) {
        set[static_cast<std::size_t>(role)][static_cast<std::size_t>(field)] = true;
    };
    for (const auto& [role, word] : {std::pair{Role::Registrant, std::string_view("registrant")},
                                     std::pair{Role::Registrar, std::string_view("registrar")}}) {
        if (StartsWithNoCase(TrimBlanks(label), word)) {
            const std::string_view rest = TrimBlanks(TrimBlanks(label).substr(word.size()));
            if (EqualsNoCase(rest, "Name")) {
                mark(role, Field::Name);
            } else if (EqualsNoCase(rest, "Organization") || EqualsNoCase(rest, "Organisation")) {
                mark(role, Field::Org);
            } else if (EqualsNoCase(rest, "Email")) {
                mark(role, Field::Email);
            } else if (EqualsNoCase(rest, "Phone")) {
                mark(role, Field::Phone);
            }
            continue;
        }
        if (!ContainsNoCase(paths, std::string("'") + std::string(word) + "'") &&
            !ContainsNoCase(paths, std::string("\"") + std::string(word) + "\"")) {
            continue;
        }
        for (const auto& [property, field] : {std::pair{std::string_view("fn"), Field::Name},
                                              std::pair{std::string_view("org"), Field::Org},
                                              std::pair{std::string_view("email"), Field::Email},
                                              std::pair{std::string_view("tel"), Field::Phone}}) {
            const std::string quoted = "'" + std::string(property) + "'";
            const std::string doubled = "\"" + std::string(property) + "\"";
            if (ContainsNoCase(paths, quoted) || ContainsNoCase(paths, doubled)) {
                mark(role, field);
            }
        }
    }
}

RedactedSet ReadRedactions(const Json& root) {
    RedactedSet set{};
    if (const Json* redacted = ArrayAt(root, "redacted")) {
        for (const auto& member : *redacted) {
            if (member.is_object()) {
                MarkRedaction(member, set);
            }
        }
    }
    return set;
}

std::string EventDate(const Json& root, std::string_view action) {
    if (const Json* events = ArrayAt(root, "events")) {
        for (const auto& event : *events) {
            const std::string* name = StringAt(event, "eventAction");
            const std::string* date = StringAt(event, "eventDate");
            if (name != nullptr && date != nullptr && EqualsNoCase(TrimBlanks(*name), action)) {
                if (std::string day = RdapDate(*date); !day.empty()) {
                    return day;
                }
            }
        }
    }
    return {};
}

bool IsRdapLinkTo(const Json& link, std::string_view name) {
    const std::string* rel = StringAt(link, "rel");
    const std::string* type = StringAt(link, "type");
    const std::string* href = StringAt(link, "href");
    if (rel == nullptr || type == nullptr || href == nullptr || !EqualsNoCase(*rel, "related") ||
        !StartsWithNoCase(TrimBlanks(*type), "application/rdap+json")) {
        return false;
    }
    std::string_view target = TrimBlanks(*href);
    if (!StartsWithNoCase(target, "https://") && !StartsWithNoCase(target, "http://")) {
        return false;
    }
    if (!target.empty() && target.back() == '/') {
        target.remove_suffix(1);
    }
    return EndsWithNoCase(target, "domain/" + std::string(name));
}

std::string RelatedRdapLink(const Json& holder, std::string_view name) {
    if (const Json* links = ArrayAt(holder, "links")) {
        for (const auto& link : *links) {
            if (IsRdapLinkTo(link, name)) {
                return std::string(TrimBlanks(link.at("href").get_ref<const std::string&>()));
            }
        }
    }
    return {};
}

bool IsDigits(std::string_view text) {
    return !text.empty() && text.find_first_not_of("0123456789") == std::string_view::npos;
}

} // namespace

std::string RdapDate(std::string_view text) {
    text = TrimBlanks(text);
    // "2025-01-02" or the basic form "20250102", then the end, a time
    // ("T03:04:05", " 03:04:05") or nothing else.
    std::string day;
    std::string_view rest;
    if (text.size() >= 10 && IsDigits(text.substr(0, 4)) && text[4] == '-' &&
        IsDigits(text.substr(5, 2)) && text[7] == '-' && IsDigits(text.substr(8, 2))) {
        day = std::string(text.substr(0, 10));
        rest = text.substr(10);
    } else if (text.size() >= 8 && IsDigits(text.substr(0, 8))) {
        day = std::string(text.substr(0, 4)) + "-" + std::string(text.substr(4, 2)) + "-" +
              std::string(text.substr(6, 2));
        rest = text.substr(8);
    }
    if (day.empty() || (!rest.empty() && rest[0] != 'T' && rest[0] != 't' && rest[0] != ' ')) {
        // Not ISO 8601 after all: the shared reader of registry dates may know it.
        day = std::string(text);
    }
    const auto date = CCore::parseDateValue(day);
    if (!date) {
        return {};
    }
    char out[16];
    std::snprintf(out, sizeof out, "%04d-%02d-%02d", date->year, date->month, date->day);
    return out;
}

RdapDomainFields ReadRdapDomain(std::string_view json, std::string_view queriedName) {
    RdapDomainFields fields;
    const Json root = Json::parse(json, nullptr, false);
    if (root.is_discarded()) {
        fields.error = "malformed JSON";
        return fields;
    }
    if (!root.is_object()) {
        fields.error = "not a JSON object";
        return fields;
    }
    const std::string* objectClass = StringAt(root, "objectClassName");
    const std::string* ldhName = StringAt(root, "ldhName");
    const std::string* unicodeName = StringAt(root, "unicodeName");
    if (objectClass != nullptr ? !EqualsNoCase(TrimBlanks(*objectClass), "domain")
                               : (ldhName == nullptr && unicodeName == nullptr)) {
        if (const auto code = root.find("errorCode");
            code != root.end() && code->is_number_integer()) {
            fields.error = "error object " + std::to_string(code->get<long long>());
        } else if (objectClass != nullptr) {
            fields.error = "not a domain object (\"" + *objectClass + "\")";
        } else {
            fields.error = "not a domain object";
        }
        return fields;
    }
    fields.ok = true;
    fields.name = ldhName != nullptr ? *ldhName : (unicodeName != nullptr ? *unicodeName : "");

    fields.expiry = EventDate(root, "expiration");
    if (fields.expiry.empty()) {
        fields.expiry = EventDate(root, "registrar expiration");
    }
    fields.created = EventDate(root, "registration");
    fields.updated = EventDate(root, "last changed");

    std::vector<const Json*> entities;
    CollectEntities(root, 0, entities);
    const RedactedSet redacted = ReadRedactions(root);

    const Json* registrar = FindEntity(entities, "registrar");
    if (registrar == nullptr) {
        for (const Json* entity : entities) {
            if (HasIanaRegistrarId(*entity)) {
                registrar = entity;
                break;
            }
        }
    }
    if (registrar != nullptr) {
        Contact contact = ReadContact(*registrar);
        Withhold(contact, redacted[static_cast<std::size_t>(Role::Registrar)]);
        fields.registrar = !contact.name.empty() ? contact.name : contact.org;
    }

    if (const Json* registrant = FindEntity(entities, "registrant")) {
        fields.hasRegistrant = true;
        Contact contact = ReadContact(*registrant);
        Withhold(contact, redacted[static_cast<std::size_t>(Role::Registrant)]);
        fields.owner = !contact.name.empty() ? contact.name : contact.org;
        fields.email = contact.email;
        fields.phone = contact.phone;
    }

    const std::string_view linkName = !queriedName.empty() ? queriedName : fields.name;
    if (!linkName.empty()) {
        fields.registrarUrl = RelatedRdapLink(root, linkName);
        if (fields.registrarUrl.empty() && registrar != nullptr) {
            fields.registrarUrl = RelatedRdapLink(*registrar, linkName);
        }
    }
    return fields;
}

void FillMissingRdapFields(RdapDomainFields& base, const RdapDomainFields& other) {
    for (auto member :
         {&RdapDomainFields::expiry, &RdapDomainFields::created, &RdapDomainFields::updated,
          &RdapDomainFields::registrar, &RdapDomainFields::owner, &RdapDomainFields::email,
          &RdapDomainFields::phone}) {
        if ((base.*member).empty()) {
            base.*member = other.*member;
        }
    }
    base.hasRegistrant = base.hasRegistrant || other.hasRegistrant;
}
