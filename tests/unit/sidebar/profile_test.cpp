// SPDX-License-Identifier: MIT
// The bars' size profile: sections of integer keys in a small INI-style file.

#include "sidebar/barprofile.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

namespace {

std::string TempPath(const char* name) {
    return (std::filesystem::temp_directory_path() / name).string();
}

TEST(BarProfile, SectionNameIsPrefixBarAndIdCutAt255) {
    EXPECT_EQ(BarProfileSection("Main", 59420), "Main-Bar-59420");
    EXPECT_EQ(BarProfileSection(std::string(300, 'p'), 7).size(), 255u);
}

TEST(BarProfile, ValuesRoundTripThroughAFile) {
    const std::string path = TempPath("zentrix-barprofile-roundtrip.ini");
    CBarProfile saved;
    saved.WriteInt("Main-Bar-0", "sizeVertCX", 120);
    saved.WriteInt("Main-Bar-0", "sizeVertCY", -5);
    saved.WriteInt("Other-Bar-1", "sizeFloatCX", 77);
    ASSERT_TRUE(saved.Save(path));

    CBarProfile loaded;
    ASSERT_TRUE(loaded.Load(path));
    EXPECT_EQ(loaded.GetInt("Main-Bar-0", "sizeVertCX", 0), 120);
    EXPECT_EQ(loaded.GetInt("Main-Bar-0", "sizeVertCY", 0), -5);
    EXPECT_EQ(loaded.GetInt("Other-Bar-1", "sizeFloatCX", 0), 77);
    EXPECT_EQ(loaded.GetInt("Main-Bar-0", "missing", 42), 42);
    EXPECT_FALSE(std::filesystem::exists(path + ".tmp"));
    std::remove(path.c_str());
}

TEST(BarProfile, DamagedLinesArePassedOver) {
    const std::string path = TempPath("zentrix-barprofile-damaged.ini");
    {
        std::ofstream out(path, std::ios::binary);
        out << "orphan=1\r\n[S]\r\ngood=12\r\nword=abc\r\npartly=3x\r\nno equals\r\n";
    }
    CBarProfile p;
    ASSERT_TRUE(p.Load(path));
    EXPECT_EQ(p.GetInt("S", "good", 0), 12);
    EXPECT_EQ(p.GetInt("S", "word", -1), -1);
    EXPECT_EQ(p.GetInt("S", "partly", -1), -1);
    EXPECT_EQ(p.GetInt("", "orphan", -1), -1);
    std::remove(path.c_str());
    EXPECT_FALSE(p.Load(path));
}

} // namespace
