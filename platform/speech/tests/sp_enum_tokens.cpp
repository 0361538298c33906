#include <sphelper.h>

#include <atlbase.h>
#include <objbase.h>

#include <varnel/speech_classes.h>

#include <gtest/gtest.h>

namespace {

class SpEnumTokensTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        RegisterSpeechClasses();
        ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
    }
    void TearDown() override { CoUninitialize(); }
};

TEST_F(SpEnumTokensTest, CategoryFromIdIsSetToThatId)
{
    CComPtr<ISpObjectTokenCategory> category;
    ASSERT_EQ(SpGetCategoryFromId(SPCAT_VOICES, &category), S_OK);
    ASSERT_TRUE(category);
    LPWSTR id = nullptr;
    ASSERT_EQ(category->GetId(&id), S_OK);
    EXPECT_EQ(std::u16string(id), std::u16string(SPCAT_VOICES));
    CoTaskMemFree(id);
}

TEST_F(SpEnumTokensTest, UnknownCategoryHandsNothingBack)
{
    ISpObjectTokenCategory* category = nullptr;
    EXPECT_TRUE(FAILED(SpGetCategoryFromId(u"HKEY_LOCAL_MACHINE\\SOFTWARE\\NoSuchCategory", &category)));
    EXPECT_EQ(category, nullptr);
    IEnumSpObjectTokens* tokens = nullptr;
    EXPECT_TRUE(FAILED(SpEnumTokens(u"HKEY_LOCAL_MACHINE\\SOFTWARE\\NoSuchCategory", nullptr, nullptr, &tokens)));
    EXPECT_EQ(tokens, nullptr);
}

}  // namespace
