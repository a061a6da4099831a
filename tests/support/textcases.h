// SPDX-License-Identifier: MIT
#pragma once

// A table of text cases for a function from text to text: each case's name
// (for the failure message), the text given and the text expected back.

#include <gtest/gtest.h>

#include <span>
#include <string>

struct TextCase {
    const char* name;
    std::string given;
    std::string expected;
};

template <typename Function>
void ExpectEachGives(std::span<const TextCase> cases, Function function) {
    for (const TextCase& c : cases) {
        // Traced, so checks inside the function name the case too.
        SCOPED_TRACE(c.name);
        EXPECT_EQ(function(c.given), c.expected);
    }
}
