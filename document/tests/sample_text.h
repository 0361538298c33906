// What the samples made from lighthouse.md say, chapter by chapter, as read
// aloud: no footnote, note reference, image, ruby annotation, page number,
// deleted revision or field code.
#pragma once

#include <varnel/document.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace document::testing {

inline const std::vector<Chapter>& LighthouseChapters()
{
    static const std::vector<Chapter> chapters = {
        {"The Storm",
         "The Storm\n\nThe wind rose at dusk, and the sea \u2013 grey, restless \u2013 climbed the rocks. Mara lit the "
         "lamp and set it on the sill; \u201Cnot yet,\u201D she said."},
        {"The Ship",
         "The Ship\n\nOut in the dark a ship turned towards the light. Its name was \u6771\u4EAC Maru.\n\n"
         "The crew sang as they came in!"},
        {"The Morning", "The Morning\n\nBy morning the storm had gone. Was it over? Mara thought so."},
    };
    return chapters;
}

inline void ExpectLighthouse(const Reading& reading)
{
    ASSERT_TRUE(reading.ok) << reading.problem;
    EXPECT_EQ(reading.document.title, "The Lighthouse Keeper");
    EXPECT_EQ(reading.document.author, "Ada Example");
    EXPECT_TRUE(reading.document.warnings.empty());
    const std::vector<Chapter>& expected = LighthouseChapters();
    ASSERT_EQ(reading.document.chapters.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(reading.document.chapters[i].title, expected[i].title);
        EXPECT_EQ(reading.document.chapters[i].text, expected[i].text);
    }
}

}  // namespace document::testing
