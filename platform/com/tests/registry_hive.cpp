#include "../registry_hive.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using com::registry::Hive;

TEST(RegistryHive, TheRootAlwaysExistsAndKeysBringTheirAncestors)
{
    Hive hive;
    EXPECT_TRUE(hive.HasKey(""));
    EXPECT_TRUE(hive.CreateKey("A\\B\\C"));
    EXPECT_FALSE(hive.CreateKey("a\\b\\c"));
    EXPECT_TRUE(hive.HasKey("A"));
    EXPECT_TRUE(hive.HasKey("a\\B"));
    EXPECT_TRUE(hive.HasSubKeys("A\\B"));
    EXPECT_FALSE(hive.HasSubKeys("A\\B\\C"));
    EXPECT_EQ(hive.FindKey("a\\b\\c")->path, "A\\B\\C");
}

TEST(RegistryHive, SubKeysAreFoundPastSiblingsThatSortBetween)
{
    Hive hive;
    hive.CreateKey("Key!");  // '!' sorts before '\'
    hive.CreateKey("Key\\Child");
    EXPECT_TRUE(hive.HasSubKeys("Key"));
    hive.ClearKey("Key");
    EXPECT_FALSE(hive.HasKey("Key\\Child"));
    EXPECT_TRUE(hive.HasKey("Key!"));
    EXPECT_TRUE(hive.HasKey("Key"));
}

TEST(RegistryHive, RemoveTreeKeepsTheRoot)
{
    Hive hive;
    hive.CreateKey("X\\Y");
    hive.RemoveTree("");
    EXPECT_TRUE(hive.HasKey("X\\Y"));
    hive.RemoveTree("x");
    EXPECT_FALSE(hive.HasKey("X"));
    EXPECT_FALSE(hive.HasKey("X\\Y"));
    EXPECT_TRUE(hive.HasKey(""));
}

TEST(RegistryHive, TextFormRoundTripsAwkwardNamesAndData)
{
    Hive hive;
    std::string name = "Key with spaces % @ and\ttab \xe4\xb8\xad";
    hive.CreateKey(name + "\\Sub");
    auto* key = hive.FindKey(name);
    key->values[""] = {"", 1, std::string("text\0with zero\n", 16)};
    key->values["@"] = {"@", 3, ""};
    key->values["n"] = {"N", 4, std::string("\x01\x02\x03\x04", 4)};
    Hive back = Hive::Parse(hive.Serialize());
    EXPECT_EQ(back.Serialize(), hive.Serialize());
    auto* read = back.FindKey(name);
    ASSERT_NE(read, nullptr);
    ASSERT_EQ(read->values.size(), 3u);
    EXPECT_EQ(read->values[""].data, std::string("text\0with zero\n", 16));
    EXPECT_EQ(read->values["@"].name, "@");
    EXPECT_EQ(read->values["@"].type, 3u);
    EXPECT_EQ(read->values["n"].name, "N");
    EXPECT_TRUE(back.HasKey(name + "\\sub"));
}

TEST(RegistryHive, UnreadableLinesAreSkipped)
{
    Hive hive = Hive::Parse("varnel-registry 1\n"
                            "value orphan 1 41\n"
                            "key Good\n"
                            "value a 1 zz\n"
                            "value b x 41\n"
                            "value c 1 414\n"
                            "garbage\n"
                            "key Bad%G1\n"
                            "value d 1 42\n");
    EXPECT_TRUE(hive.HasKey("Good"));
    EXPECT_TRUE(hive.FindKey("Good")->values.empty());
    EXPECT_FALSE(hive.HasKey("Bad%G1"));
    EXPECT_EQ(hive.FindKey("")->values.size(), 0u);
}

}  // namespace
