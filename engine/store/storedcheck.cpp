// SPDX-License-Identifier: MIT
#include "engine/store/storedcheck.h"

#include <array>

#include "core/asciicase.h"
#include "core/text.h"

namespace {

// The values of QueryStatus (engine/domaintable.h, a layer above) that state
// a name's state; every other status is a failed or skipped check.
constexpr std::int32_t kStatusFound = 1;
constexpr std::int32_t kStatusNotRegistered = 2;

bool StatesState(const StoredCheck& check) {
    return check.status == kStatusFound || check.status == kStatusNotRegistered;
}

// Registrar and owner names as registries write them: "GoDaddy.com, LLC" in
// RDAP and "GODADDY.COM, LLC" in port 43, sometimes with doubled blanks. A
// change of letter case or spacing is not a change of registrar or owner.
std::string Folded(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    bool pendingBlank = false;
    for (const char c : text) {
        if (IsBlankByte(c)) {
            pendingBlank = !out.empty();
            continue;
        }
        if (pendingBlank) {
            out += ' ';
            pendingBlank = false;
        }
        out += AsciiLowerByte(c);
    }
    return out;
}

// Both known and different: a value one answer lacks (redacted, or a format
// without it) says nothing about a change.
bool NamesDiffer(std::string_view before, std::string_view after) {
    const std::string a = Folded(before);
    const std::string b = Folded(after);
    return !a.empty() && !b.empty() && a != b;
}

// "2027-03-14": a calendar date as the parser writes it.
bool IsIsoDate(std::string_view text) {
    if (text.size() != 10 || text[4] != '-' || text[7] != '-') {
        return false;
    }
    for (const std::size_t i : {0, 1, 2, 3, 5, 6, 8, 9}) {
        if (std::isdigit(static_cast<unsigned char>(text[i])) == 0) {
            return false;
        }
    }
    return true;
}

bool ExpiryDiffers(const StoredCheck& before, const StoredCheck& after) {
    const std::string_view a = before.values.expiry;
    const std::string_view b = after.values.expiry;
    return !a.empty() && !b.empty() && a != b;
}

// Later only when both are dates: YYYY-MM-DD sorts as text.
bool ExpiryLater(const StoredCheck& before, const StoredCheck& after) {
    const std::string_view a = before.values.expiry;
    const std::string_view b = after.values.expiry;
    return IsIsoDate(a) && IsIsoDate(b) && b > a;
}

bool BothFound(const StoredCheck& a, const StoredCheck& b) {
    return a.status == kStatusFound && b.status == kStatusFound;
}

// Both names of each kind, in the enum's order.
struct ChangeKindNames {
    std::string_view chinese;
    std::string_view key;
};
constexpr std::array<ChangeKindNames, kChangeKindCount> kChangeKindNames{{
    {"已注册", "registered"},
    {"已释放", "released"},
    {"已续费", "renewed"},
    {"已转移", "transferred"},
    {"所有人变更", "owner"},
}};

ChangeKindNames NamesOf(ChangeKind kind) {
    const auto index = static_cast<std::size_t>(kind);
    return index < kChangeKindNames.size() ? kChangeKindNames[index] : ChangeKindNames{};
}

} // namespace

std::string_view ChangeKindChinese(ChangeKind kind) {
    return NamesOf(kind).chinese;
}

std::string_view ChangeKindKey(ChangeKind kind) {
    return NamesOf(kind).key;
}

std::vector<ChangeKind> ChangesBetween(const StoredCheck& previous, const StoredCheck& current) {
    std::vector<ChangeKind> kinds;
    if (!StatesState(previous) || !StatesState(current)) {
        return kinds;
    }
    if (previous.status == kStatusNotRegistered && current.status == kStatusFound) {
        kinds.push_back(ChangeKind::Registered);
    }
    if (previous.status == kStatusFound && current.status == kStatusNotRegistered) {
        kinds.push_back(ChangeKind::Released);
    }
    // Expiry, registrar and owner belong to a registration: compared only
    // while the name stays registered (a new registration is "registered").
    if (!BothFound(previous, current)) {
        return kinds;
    }
    if (ExpiryLater(previous, current)) {
        kinds.push_back(ChangeKind::Renewed);
    }
    if (NamesDiffer(previous.values.registrar, current.values.registrar)) {
        kinds.push_back(ChangeKind::Transferred);
    }
    if (NamesDiffer(previous.values.owner, current.values.owner)) {
        kinds.push_back(ChangeKind::OwnerChanged);
    }
    return kinds;
}

std::vector<std::string_view> ChangedFields(const StoredCheck& previous,
                                            const StoredCheck& current) {
    std::vector<std::string_view> fields;
    if (!StatesState(previous) || !StatesState(current)) {
        return fields;
    }
    if (previous.status != current.status) {
        fields.emplace_back("status");
    }
    if (!BothFound(previous, current)) {
        return fields;
    }
    // Any other expiry, earlier ones included: the field changed even when
    // it is no renewal.
    if (ExpiryDiffers(previous, current)) {
        fields.emplace_back("expiry");
    }
    if (NamesDiffer(previous.values.registrar, current.values.registrar)) {
        fields.emplace_back("registrar");
    }
    if (NamesDiffer(previous.values.owner, current.values.owner)) {
        fields.emplace_back("owner");
    }
    return fields;
}

std::vector<ChangeKind> ChangeKindsOf(std::uint8_t changes) {
    std::vector<ChangeKind> kinds;
    for (int i = 0; i < kChangeKindCount; ++i) {
        if ((changes & (1U << i)) != 0) {
            kinds.push_back(static_cast<ChangeKind>(i));
        }
    }
    return kinds;
}

std::uint8_t ChangeBits(const std::vector<ChangeKind>& changes) {
    unsigned bits = 0;
    for (const ChangeKind kind : changes) {
        bits |= 1U << static_cast<unsigned>(kind);
    }
    return static_cast<std::uint8_t>(bits);
}

std::string ChangesChinese(const std::vector<ChangeKind>& changes) {
    std::string text;
    for (const ChangeKind kind : changes) {
        if (!text.empty()) {
            text += "、";
        }
        text += ChangeKindChinese(kind);
    }
    return text;
}
