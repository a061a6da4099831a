// SPDX-License-Identifier: MIT
#include "engine/whois/whoisservers.h"

#include <cstring>
#include <iterator>
#include <string>

#include "engine/domaintable.h"

namespace {

struct SuffixRule {
    const char* suffix; // ends with '#', the end of the domain name
    const char* server; // empty: the domain gets no server
};

// First match wins: the key "<domain>#" is searched for each suffix as a plain,
// case-sensitive substring, top to bottom, and the first hit decides. The "#"
// pins a suffix to the end of the name, so order matters only where two
// suffixes both match: .net.jp and .org.jp get no server although ".jp#"
// would match them too.
constexpr SuffixRule kSuffixTable[] = {
    {".com.sg#", ""},     {".net.sg#", ""},        {".net.jp#", ""},        {".org.sg#", ""},
    {".org.jp#", ""},     {".org.cn#", ServerCn},  {".net.cn#", ServerCn},  {".com.cn#", ServerCn},
    {".cn#", ServerCn},   {".com#", ServerComNet}, {".net#", ServerComNet}, {".org#", ServerOrg},
    {".biz#", ServerBiz}, {".edu#", ServerEdu},    {".hk#", ServerHk},      {".com.jp#", ServerJp},
    {".jp#", ServerJp},   {".tv#", ServerTv},      {".info#", ServerInfo},  {".cc#", ServerCc},
};
static_assert(std::size(kSuffixTable) == 20);

} // namespace

const char* WhoisServerFor(std::string_view domain) {
    std::string key(domain);
    key += '#';
    for (const SuffixRule& rule : kSuffixTable) {
        if (key.find(rule.suffix) != std::string::npos) {
            return rule.server;
        }
    }
    return nullptr;
}

void AssignWhoisServers(DomainTable& table) {
    if (!table.IsAllocated()) {
        return;
    }
    for (int32_t i = 0; i < table.count; ++i) {
        DomainRecord& row = table.Row(i);
        // The field is NUL-terminated within its 41 bytes; never read past it.
        const std::string_view domain(row.domain, strnlen(row.domain, sizeof row.domain));
        if (const char* server = WhoisServerFor(domain)) {
            SetField(row.whoisServer, server);
        }
    }
}
