// SPDX-License-Identifier: MIT
// The --connect-to and ZENTRIX_CONNECT_TO parser.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "engine/net/connectto.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::vector<ConnectOverride> parsed;
    std::string error;
    if (ParseConnectTo(text, parsed, &error)) {
        for (const ConnectOverride& entry : parsed) {
            if (entry.host.empty() || entry.port == 0) {
                __builtin_trap();
            }
        }
    } else if (error.empty()) {
        __builtin_trap(); // a refusal always says why
    }
    const std::string variable(text.substr(0, text.find('\0')));
    ::setenv("ZENTRIX_CONNECT_TO", variable.c_str(), 1);
    const ConnectToSetting setting = ReadConnectToEnvironment();
    for (const std::string& why : setting.errors) {
        for (const char c : why) {
            if (static_cast<unsigned char>(c) < 0x20) {
                __builtin_trap(); // a message never carries control bytes
            }
        }
    }
    return 0;
}
