// SPDX-License-Identifier: MIT
#pragma once

// What an RDAP fetch gives back, made by hand for tests that stand in for
// the network.

#include "engine/rdap/rdaphttp.h"

#include <string>
#include <utility>

inline RdapHttpResult Http(long status, std::string body = {}) {
    RdapHttpResult result;
    result.status = status;
    result.body = std::move(body);
    return result;
}

inline RdapHttpResult Failed(RdapFailure failure) {
    RdapHttpResult result;
    result.failure = failure;
    return result;
}
