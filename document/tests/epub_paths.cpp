#include "epub_paths.h"

#include <gtest/gtest.h>

namespace document {
namespace {

TEST(EpubPaths, LinksResolveAgainstTheFileThatHoldsThem)
{
    auto resolved = [](std::string_view from, std::string_view href) {
        const LinkTarget target = ResolveLink(from, href);
        return target.file + "|" + target.fragment;
    };
    EXPECT_EQ(resolved("OPS/book.opf", "text/ch%201.xhtml#sec%2D2"), "OPS/text/ch 1.xhtml|sec-2");
    EXPECT_EQ(resolved("OPS/text/nav.xhtml", "../text/./two.xhtml"), "OPS/text/two.xhtml|");
    EXPECT_EQ(resolved("OPS/text/nav.xhtml", "#local"), "OPS/text/nav.xhtml|local");
    EXPECT_EQ(resolved("book.opf", "../../../up.xhtml?x=1"), "up.xhtml|");
    EXPECT_EQ(resolved("OPS/book.opf", "/root.xhtml"), "root.xhtml|");
    EXPECT_EQ(resolved("OPS/book.opf", "http://example.com/a.xhtml"), "|");
    EXPECT_EQ(resolved("OPS/book.opf", "mailto:someone"), "|");
    EXPECT_EQ(resolved("OPS/book.opf", "100%.xhtml"), "OPS/100%.xhtml|");
}

}  // namespace
}  // namespace document
