// SPDX-License-Identifier: MIT
// The readers of a host out of a URL or a referral value, and the rule a
// host named by the network must pass: whatever the text, a host that
// passes is a plain name, never an address in any spelling.

#include <arpa/inet.h>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "engine/batch/rowquery.h"
#include "engine/net/hostlookup.h"
#include "engine/net/referralguard.h"
#include "engine/rdap/rdaphttp.h"

namespace {

void Check(bool ok) {
    if (!ok) {
        __builtin_trap();
    }
}

bool HasUpper(std::string_view text) {
    for (const char c : text) {
        if (c >= 'A' && c <= 'Z') {
            return true;
        }
    }
    return false;
}

// A host that passes the rule: host bytes only, and no address.
void CheckPassing(const std::string& host) {
    if (!IsReferralHostName(host)) {
        return;
    }
    Check(!host.empty() && host.size() <= 253);
    Check(host.find_first_not_of(
              "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789-.") ==
          std::string::npos);
    in_addr v4{};
    Check(::inet_aton(host.c_str(), &v4) == 0);
    HostAddress literal;
    Check(!ParseAddressLiteral(host, literal));
    Check(host != "localhost" && !host.ends_with(".localhost"));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    const std::string urlHost = UrlHost(text);
    Check(!HasUpper(urlHost));
    Check(urlHost.find_first_of("/?#@") == std::string::npos);
    if (!urlHost.empty() && urlHost.front() == '[') {
        Check(urlHost.back() == ']');
    } else {
        Check(urlHost.find(':') == std::string::npos);
    }
    CheckPassing(urlHost);
    Check(MayAskPointedUrl(std::string(text)) == IsReferralHostName(urlHost));

    const std::string referral = ReferralHost(text);
    Check(!HasUpper(referral));
    CheckPassing(referral);
    CheckPassing(std::string(text.substr(0, text.find('\0'))));
    Check(HostKey(referral) == referral);
    return 0;
}
