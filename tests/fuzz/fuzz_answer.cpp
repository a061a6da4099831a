// SPDX-License-Identifier: MIT
// The per-row query with its referral and the answer parser, fed hostile
// registry and referral answers for every recipe.
//
// Input: one byte choosing the row's server, then the registry's answer and,
// after a "\n\x01\n" separator, the referral server's answer.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/ccore.h"
#include "engine/domaintable.h"
#include "engine/rowvalues.h"
#include "engine/whois/domainquery.h"
#include "engine/whois/whoisservers.h"

namespace {

const char* const kServers[] = {ServerComNet, ServerCn, ServerOrg,      ServerBiz,
                                ServerEdu,    ServerHk, ServerJp,       ServerTv,
                                ServerInfo,   ServerCc, "whois.example"};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const std::string_view input(reinterpret_cast<const char*>(data) + 1, size - 1);
    const auto split = input.find("\n\x01\n");
    const std::string registry(input.substr(0, split));
    const std::string referral(split == std::string_view::npos ? std::string_view()
                                                               : input.substr(split + 3));

    DomainRecord row{};
    SetField(row.domain, "example.com");
    const std::string server = kServers[data[0] % std::size(kServers)];
    SetField(row.whoisServer, server);
    const WhoisTransport transport = [&](const std::string&, const std::string&, QueryHop hop) {
        return hop == QueryHop::Registry ? registry : referral;
    };
    const RowOutcome outcome = QueryRow(row, server, transport);
    // Every field stays terminated inside its width.
    if (FieldText(row.owner).size() >= sizeof row.owner ||
        FieldText(row.registrar).size() >= sizeof row.registrar) {
        __builtin_trap();
    }
    // The whole values are UTF-8 whatever the answer's bytes, and the row's
    // field is their GBK copy, cut.
    for (const std::string* value : {&outcome.values.owner, &outcome.values.email,
                                     &outcome.values.registrar, &outcome.values.expiry}) {
        if (!CCore::isUtf8(*value)) {
            __builtin_trap();
        }
    }
    DomainRecord copy{};
    SetFieldFromUtf8(copy.owner, outcome.values.owner);
    if (!outcome.values.owner.empty() && FieldText(copy.owner) != FieldText(row.owner)) {
        __builtin_trap();
    }
    return 0;
}
