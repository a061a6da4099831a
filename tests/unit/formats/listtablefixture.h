// SPDX-License-Identifier: MIT
#pragma once

// The list-file tests' fixture: an allocated table, a scratch folder, and a
// list file of given bytes loaded into the table.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "engine/domaintable.h"
#include "formats/listfile.h"
#include "tests/support/scratchdir.h"

using Names = std::vector<std::string>;

class ListTableTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(table.Allocate()); }
    void TearDown() override { table.Release(); }

    [[nodiscard]] std::string ListPath() const { return dir.File("list.txt"); }

    LoadResult Load(const std::string& bytes) {
        WriteBytes(ListPath(), bytes);
        return LoadListFile(table, ListPath());
    }
    [[nodiscard]] Names Domains() const {
        Names names;
        for (int32_t i = 0; i < table.count; ++i) {
            names.emplace_back(FieldText(table.Row(i).domain));
        }
        return names;
    }

    ScratchDir dir;
    DomainTable table;
};
