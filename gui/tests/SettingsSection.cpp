// Merging the dialog's keys into the lines a set.ini section already has.
#include "SettingsSection.h"

#include <gtest/gtest.h>

namespace {

using Lines = std::vector<std::string>;

TEST(SectionWithValues, KeysAreReplacedWhereTheyStandOthersAppendedTheRestKept)
{
    const Lines old = {"; written by hand", "loop = 4", "Unrelated=x", "rate=1", "Rate=2", "no equals sign"};
    const Lines merged = SectionWithValues(old, {{"Rate", "-5"}, {"Volume", "40"}, {"Loop", "2"}});
    EXPECT_EQ(merged, (Lines{"; written by hand", "loop=2", "Unrelated=x", "rate=-5", "Rate=2", "no equals sign",
                             "Volume=40"}));
}

TEST(SectionWithValues, CommentsAndSectionLinesAreNeverTakenForKeys)
{
    const Lines merged = SectionWithValues({";Rate=9", "[Rate=9]", "=9"}, {{"Rate", "3"}});
    EXPECT_EQ(merged, (Lines{";Rate=9", "[Rate=9]", "=9", "Rate=3"}));
    EXPECT_EQ(SectionWithValues({}, {{"A", "1"}, {"B", "\"two words\""}}), (Lines{"A=1", "B=\"two words\""}));
}

}  // namespace
