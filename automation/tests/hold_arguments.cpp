#include "hold_arguments.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using Kind = hold::HoldCommand::Kind;

hold::HoldCommand Parse(std::vector<const char*> args)
{
    args.insert(args.begin(), "automation-hold");
    return hold::ParseArguments(static_cast<int>(args.size()), args.data());
}

TEST(HoldArguments, OneProgIdOrHelpAlone)
{
    EXPECT_EQ(Parse({"Varnel.Application"}).kind, Kind::Hold);
    EXPECT_EQ(Parse({"Varnel.Application"}).progId, "Varnel.Application");
    EXPECT_EQ(Parse({"--help"}).kind, Kind::Help);
    EXPECT_EQ(Parse({"-h"}).kind, Kind::Help);

    EXPECT_EQ(Parse({}).kind, Kind::Usage);
    EXPECT_EQ(Parse({"Varnel.Application", "extra"}).kind, Kind::Usage);
    EXPECT_EQ(Parse({"--help", "Varnel.Application"}).kind, Kind::Usage);
    EXPECT_EQ(Parse({"--verbose"}).kind, Kind::Usage);
    EXPECT_EQ(Parse({""}).kind, Kind::Usage);
}

}  // namespace
