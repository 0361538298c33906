#include "../trace_text.h"

#include <gtest/gtest.h>

namespace {

TEST(TraceText, NamesEachContextBitAndShowsOthersAsNumbers)
{
    EXPECT_EQ(com::ContextText(CLSCTX_LOCAL_SERVER), "LOCAL_SERVER");
    EXPECT_EQ(com::ContextText(CLSCTX_ALL), "INPROC_SERVER|INPROC_HANDLER|LOCAL_SERVER");
    EXPECT_EQ(com::ContextText(CLSCTX_INPROC_SERVER | 0x400), "INPROC_SERVER|0x400");
    EXPECT_EQ(com::ContextText(0), "0x0");
}

TEST(TraceText, NamesRegistrationFlagsAndRequestKinds)
{
    EXPECT_EQ(com::RegistrationFlagsText(REGCLS_SINGLEUSE), "SINGLEUSE");
    EXPECT_EQ(com::RegistrationFlagsText(REGCLS_MULTIPLEUSE), "MULTIPLEUSE");
    EXPECT_EQ(com::RegistrationFlagsText(REGCLS_SUSPENDED), "4");
    EXPECT_STREQ(com::KindText(com::wire::Kind::Invoke), "Invoke");
    EXPECT_STREQ(com::KindText(com::wire::Kind::LockServer), "LockServer");
    EXPECT_STREQ(com::KindText(static_cast<com::wire::Kind>(200)), "?");
}

}  // namespace
