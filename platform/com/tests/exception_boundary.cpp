#include <varnel/com_object.h>

#include <gtest/gtest.h>

#include <new>
#include <stdexcept>

namespace {

// A COM-shaped method keeping the rule: what it throws reaches its caller as an HRESULT.
template <class Body>
HRESULT Method(Body body)
try {
    return body();
} catch (...) {
    return HresultFromCaughtException();
}

TEST(ExceptionBoundary, ExceptionsBecomeHresults)
{
    EXPECT_EQ(Method([]() -> HRESULT { throw std::bad_alloc(); }), E_OUTOFMEMORY);
    EXPECT_EQ(Method([]() -> HRESULT { throw std::bad_array_new_length(); }), E_OUTOFMEMORY);
    EXPECT_EQ(Method([]() -> HRESULT { throw std::runtime_error("broken"); }), E_UNEXPECTED);
    EXPECT_EQ(Method([]() -> HRESULT { throw 1; }), E_UNEXPECTED);
    EXPECT_EQ(Method([] { return S_FALSE; }), S_FALSE);
}

}  // namespace
