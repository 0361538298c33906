#include "failure_text.h"

#include <gtest/gtest.h>

namespace {

TEST(FailureText, WhatFailedTheSystemsWordsAndTheCode)
{
    EXPECT_EQ(hold::FailureLine("cannot create Varnel.Application", REGDB_E_CLASSNOTREG),
              "automation-hold: cannot create Varnel.Application: Class not registered (0x80040154)\n");
    // A sentence's full stop gives way to the code.
    EXPECT_EQ(hold::FailureLine("cannot create X", static_cast<HRESULT>(0x800706BA)),
              "automation-hold: cannot create X: The RPC server is unavailable (0x800706BA)\n");
    EXPECT_EQ(hold::FailureLine("cannot create X", static_cast<HRESULT>(0x80041234)),
              "automation-hold: cannot create X: unknown error (0x80041234)\n");
}

}  // namespace
