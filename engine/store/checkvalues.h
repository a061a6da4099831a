// SPDX-License-Identifier: MIT
#pragma once

// A row's result as it was read from the answer: every value whole and in
// UTF-8, whatever the registry wrote in. The 832-byte GBK row keeps a cut
// copy for what reads rows; every other output reads these.

#include <string>

struct CheckValues {
    std::string expiry;  // YYYY-MM-DD where it could be read
    std::string created; // YYYY-MM-DD where it could be read
    std::string updated; // YYYY-MM-DD where it could be read
    std::string owner;
    std::string email;
    std::string phone;
    std::string registrar;

    friend bool operator==(const CheckValues&, const CheckValues&) = default;
};
