// SPDX-License-Identifier: MIT
// The RDAP bootstrap reader: whatever the file says, it never crashes, and
// every base URL it gives is an HTTPS one ending in '/'.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/asciicase.h"
#include "engine/rdap/rdapbootstrap.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::string error;
    const auto bootstrap = RdapBootstrap::Parse(text, &error);
    if (!bootstrap) {
        if (error.empty()) {
            __builtin_trap(); // a refusal always says why
        }
        return 0;
    }
    if (bootstrap->size() == 0) {
        __builtin_trap();
    }
    // Names made of the input's own words, and a few fixed ones.
    for (const std::string_view name : {std::string_view("example.com"), std::string_view("a.b.c"),
                                        std::string_view("xn--p1ai"), text.substr(0, 80)}) {
        const std::string base = bootstrap->BaseUrlFor(name);
        if (base.empty()) {
            continue;
        }
        if (!StartsWithNoCase(base, "https://")) {
            __builtin_trap(); // never plain HTTP
        }
        if (base.back() != '/') {
            __builtin_trap();
        }
        (void)RdapDomainUrl(base, name);
    }
    return 0;
}
