// SPDX-License-Identifier: MIT
// Feeds arbitrary bytes to the RDAP domain reader and the meaning of a 200
// answer: whatever a server sends, reading it must neither crash nor hang.
// Seeds: tests/unit/rdap/data/*.json.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "engine/rdap/rdapdomain.h"
#include "engine/rdap/rdapmeaning.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const RdapDomainFields fields = ReadRdapDomain(text, "example.com");
    if (fields.ok) {
        RdapDomainFields copy = fields;
        FillMissingRdapFields(copy, ReadRdapDomain(text));
    }
    (void)RdapDate(text.substr(0, 64));

    RdapHttpResult result;
    result.status = 200;
    result.body = std::string(text);
    (void)ClassifyRdapResult(result, "example.com");
    return 0;
}
