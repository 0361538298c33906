#include "test_objects.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr CLSID kFirst = MakeGuid("{0F0F0F0F-0000-4000-8000-000000000001}");
constexpr CLSID kSecond = MakeGuid("{0F0F0F0F-0000-4000-8000-000000000002}");

HRESULT CreateNothing(IUnknown*, REFIID, void** object)
{
    *object = nullptr;
    return E_NOTIMPL;
}

// Removes the classes a test added, also when it fails half way.
class ClassTable : public ::testing::Test {
protected:
    ~ClassTable() override
    {
        for (const CLSID& clsid : added) com::UnregisterInprocClass(clsid);
    }
    void Register(const CLSID& clsid, const char* progId, CreateInstanceFn create)
    {
        CoRegisterInprocClass({clsid, progId, create});
        added.push_back(clsid);
    }
    std::vector<CLSID> added;
};

TEST_F(ClassTable, FindsAClassByClsidAndByProgId)
{
    Register(kFirst, "Varnel.First", &CreateInprocInstance<CountingObject>);
    auto byClsid = com::FindInprocClass(kFirst);
    ASSERT_TRUE(byClsid);
    EXPECT_EQ(byClsid->progId, "Varnel.First");
    EXPECT_EQ(byClsid->create, &CreateInprocInstance<CountingObject>);
    auto byProgId = com::FindInprocClassByProgId("Varnel.First");
    ASSERT_TRUE(byProgId);
    EXPECT_EQ(byProgId->clsid, kFirst);
}

TEST_F(ClassTable, ProgIdsCompareWithoutCaseButOtherwiseExactly)
{
    Register(kFirst, "Varnel.First", &CreateInprocInstance<CountingObject>);
    EXPECT_TRUE(com::FindInprocClassByProgId("VARNEL.FIRST"));
    EXPECT_TRUE(com::FindInprocClassByProgId("varnel.first"));
    EXPECT_FALSE(com::FindInprocClassByProgId("Varnel.Firs"));
    EXPECT_FALSE(com::FindInprocClassByProgId("Varnel.First "));
    EXPECT_FALSE(com::FindInprocClassByProgId(""));
}

TEST_F(ClassTable, UnknownClassesAreNotFound)
{
    EXPECT_FALSE(com::FindInprocClass(kSecond));
    EXPECT_FALSE(com::FindInprocClassByProgId("Varnel.Nobody"));
    EXPECT_FALSE(com::UnregisterInprocClass(kSecond));
}

TEST_F(ClassTable, ASecondRegistrationOfTheClsidReplacesTheFirst)
{
    Register(kFirst, "Varnel.Old", &CreateInprocInstance<CountingObject>);
    Register(kFirst, "Varnel.New", &CreateNothing);
    auto found = com::FindInprocClass(kFirst);
    ASSERT_TRUE(found);
    EXPECT_EQ(found->progId, "Varnel.New");
    EXPECT_EQ(found->create, &CreateNothing);
    EXPECT_FALSE(com::FindInprocClassByProgId("Varnel.Old"));
}

TEST_F(ClassTable, AClassWithoutProgIdIsFoundByClsidOnly)
{
    Register(kFirst, nullptr, &CreateInprocInstance<CountingObject>);
    auto found = com::FindInprocClass(kFirst);
    ASSERT_TRUE(found);
    EXPECT_TRUE(found->progId.empty());
    EXPECT_FALSE(com::FindInprocClassByProgId(""));
}

TEST_F(ClassTable, AClassWithoutCreationFunctionIsIgnored)
{
    Register(kFirst, "Varnel.First", nullptr);
    EXPECT_FALSE(com::FindInprocClass(kFirst));
}

TEST_F(ClassTable, TheProgIdIsCopied)
{
    std::string progId = "Varnel.Temporary";
    Register(kFirst, progId.c_str(), &CreateInprocInstance<CountingObject>);
    progId.assign(progId.size(), 'x');
    EXPECT_TRUE(com::FindInprocClassByProgId("Varnel.Temporary"));
}

TEST_F(ClassTable, RegistrationsFromManyThreadsAreAllKept)
{
    constexpr int kThreads = 8;
    constexpr int kPerThread = 50;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t] {
            for (int i = 0; i < kPerThread; ++i) {
                CLSID clsid = kSecond;
                clsid.Data2 = static_cast<WORD>(t + 1);
                clsid.Data3 = static_cast<WORD>(i);
                CoRegisterInprocClass({clsid, "Varnel.Many", &CreateNothing});
                EXPECT_TRUE(com::FindInprocClass(clsid));
            }
        });
    }
    for (auto& thread : threads) thread.join();
    int removed = 0;
    for (int t = 0; t < kThreads; ++t) {
        for (int i = 0; i < kPerThread; ++i) {
            CLSID clsid = kSecond;
            clsid.Data2 = static_cast<WORD>(t + 1);
            clsid.Data3 = static_cast<WORD>(i);
            removed += com::UnregisterInprocClass(clsid) ? 1 : 0;
        }
    }
    EXPECT_EQ(removed, kThreads * kPerThread);
}

}  // namespace
