#include "token_category.h"

#include "speech_test_support.h"
#include "voice_catalog.h"
#include "wide_text.h"

namespace speech {
namespace {

using speech_test::ComTest;

std::u16string Take(LPWSTR text)
{
    std::u16string copy = text ? text : u"";
    CoTaskMemFree(text);
    return copy;
}

class TokenCategoryTest : public ComTest {
protected:
    CComPtr<ISpObjectTokenCategory> Category()
    {
        CComPtr<ISpObjectTokenCategory> category;
        EXPECT_EQ(category.CoCreateInstance(CLSID_SpObjectTokenCategory), S_OK);
        return category;
    }
    CComPtr<IEnumSpObjectTokens> Voices(LPCWSTR required = nullptr)
    {
        auto category = Category();
        EXPECT_EQ(category->SetId(SPCAT_VOICES, FALSE), S_OK);
        CComPtr<IEnumSpObjectTokens> tokens;
        EXPECT_EQ(category->EnumTokens(required, nullptr, &tokens), S_OK);
        return tokens;
    }
    const std::vector<VoiceInfo>& catalog_ = VoiceCatalog::Instance().voices();
};

TEST_F(TokenCategoryTest, OnlyTheVoiceCategoryExists)
{
    auto category = Category();
    CComPtr<IEnumSpObjectTokens> tokens;
    LPWSTR id = nullptr;
    EXPECT_EQ(category->EnumTokens(nullptr, nullptr, &tokens), SPERR_UNINITIALIZED);
    EXPECT_EQ(category->GetId(&id), SPERR_UNINITIALIZED);
    EXPECT_EQ(category->SetId(u"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Speech\\Recognizers", TRUE), SPERR_NOT_FOUND);
    EXPECT_EQ(category->SetId(nullptr, FALSE), E_POINTER);
    EXPECT_EQ(category->SetId(u"hkey_local_machine\\software\\microsoft\\speech\\voices", FALSE), S_OK);
    EXPECT_EQ(category->SetId(SPCAT_VOICES, FALSE), SPERR_ALREADY_INITIALIZED);
    ASSERT_EQ(category->GetId(&id), S_OK);
    EXPECT_EQ(Take(id), SPCAT_VOICES);
}

TEST_F(TokenCategoryTest, NullOrEmptyAttributesListEveryVoiceInCatalogOrder)
{
    for (LPCWSTR attributes : {static_cast<LPCWSTR>(nullptr), static_cast<LPCWSTR>(u"")}) {
        auto tokens = Voices(attributes);
        ULONG count = 0;
        ASSERT_EQ(tokens->GetCount(&count), S_OK);
        ASSERT_EQ(count, catalog_.size());
        for (ULONG i = 0; i < count; ++i) {
            CComPtr<ISpObjectToken> token;
            ULONG fetched = 0;
            ASSERT_EQ(tokens->Next(1, &token, &fetched), S_OK);
            EXPECT_EQ(fetched, 1u);
            LPWSTR text = nullptr;
            ASSERT_EQ(token->GetId(&text), S_OK);
            EXPECT_EQ(Take(text), catalog_[i].tokenId);
            ASSERT_EQ(token->GetStringValue(nullptr, &text), S_OK);
            EXPECT_EQ(Take(text), catalog_[i].description);
        }
        CComPtr<ISpObjectToken> none;
        EXPECT_EQ(tokens->Next(1, &none, nullptr), S_FALSE);
        EXPECT_EQ(none, nullptr);
    }
}

TEST_F(TokenCategoryTest, NextSkipResetAndItem)
{
    auto tokens = Voices();
    ULONG count = 0;
    tokens->GetCount(&count);
    ISpObjectToken* three[3] = {};
    EXPECT_EQ(tokens->Next(3, three, nullptr), E_POINTER);  // several need a fetched count
    ULONG fetched = 0;
    ASSERT_EQ(tokens->Next(3, three, &fetched), S_OK);
    EXPECT_EQ(fetched, 3u);
    for (ISpObjectToken* token : three) token->Release();
    EXPECT_EQ(tokens->Skip(count - 4), S_OK);
    CComPtr<ISpObjectToken> last;
    ASSERT_EQ(tokens->Next(1, &last, nullptr), S_OK);
    LPWSTR id = nullptr;
    last->GetId(&id);
    EXPECT_EQ(Take(id), catalog_.back().tokenId);
    EXPECT_EQ(tokens->Skip(1), S_FALSE);
    EXPECT_EQ(tokens->Reset(), S_OK);
    CComPtr<ISpObjectToken> first, item;
    tokens->Next(1, &first, nullptr);
    first->GetId(&id);
    EXPECT_EQ(Take(id), catalog_.front().tokenId);
    ASSERT_EQ(tokens->Item(count - 1, &item), S_OK);
    item->GetId(&id);
    EXPECT_EQ(Take(id), catalog_.back().tokenId);
    CComPtr<ISpObjectToken> beyond;
    EXPECT_EQ(tokens->Item(count, &beyond), SPERR_NO_MORE_ITEMS);
    EXPECT_EQ(beyond, nullptr);
    EXPECT_EQ(tokens->GetCount(nullptr), E_POINTER);
}

TEST_F(TokenCategoryTest, TokensAnswerOnlyTheirDefaultValue)
{
    auto tokens = Voices();
    CComPtr<ISpObjectToken> token;
    tokens->Item(0, &token);
    LPWSTR value = reinterpret_cast<LPWSTR>(1);
    EXPECT_EQ(token->GetStringValue(u"Vendor", &value), SPERR_NOT_FOUND);
    EXPECT_EQ(value, nullptr);
    ASSERT_EQ(token->GetStringValue(u"", &value), S_OK);
    EXPECT_EQ(Take(value), catalog_.front().description);
    CComPtr<ISpDataKey> key;
    EXPECT_EQ(token.QueryInterface(&key), S_OK);
}

TEST_F(TokenCategoryTest, RequiredAttributesSelectVoices)
{
    ULONG count = 0;
    Voices(u"Name=English (America)")->GetCount(&count);
    EXPECT_EQ(count, 1u);
    Voices(u"Language=EN")->GetCount(&count);
    EXPECT_GE(count, 5u);
    Voices(u"Language=en;Name=German")->GetCount(&count);
    EXPECT_EQ(count, 0u);
    Voices(u"Vendor=Microsoft")->GetCount(&count);
    EXPECT_EQ(count, 0u);
}

}  // namespace
}  // namespace speech
