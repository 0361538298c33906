#include "voice_walk.h"

#include <sphelper.h>

#include <atlbase.h>
#include <objbase.h>
#include <varnel/speech_classes.h>

#include <gtest/gtest.h>

#include <string>

namespace {

std::u16string IdOf(ISpObjectToken* token)
{
    LPWSTR id = nullptr;
    if (!token || FAILED(token->GetId(&id))) return {};
    std::u16string copy(id);
    CoTaskMemFree(id);
    return copy;
}

class VoiceWalkTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
        RegisterSpeechClasses();
        CComPtr<IEnumSpObjectTokens> tokens;
        ASSERT_EQ(::SpEnumTokens(SPCAT_VOICES, nullptr, nullptr, &tokens), S_OK);
        ASSERT_EQ(tokens->GetCount(&count_), S_OK);
        ASSERT_GE(count_, 2u) << "the tests need two installed voices";
        for (ULONG i = 0; i < count_; ++i) {
            CComPtr<ISpObjectToken> token;
            ASSERT_EQ(tokens->Item(i, &token), S_OK);
            ids_.push_back(IdOf(token));
        }
    }
    void TearDown() override { CoUninitialize(); }

    struct Seen {
        int calls = 0;
        std::u16string id;
        narrate::WalkOutcome outcome;
    };

    static Seen Walk(int voiceNumber)
    {
        Seen seen;
        seen.outcome = narrate::WalkVoices(voiceNumber, [&](ISpObjectToken* token, HRESULT walk) {
            ++seen.calls;
            seen.id = IdOf(token);
            return walk;
        });
        return seen;
    }

    ULONG count_ = 0;
    std::vector<std::u16string> ids_;
};

TEST_F(VoiceWalkTest, FirstAndLastVoicesInTheEnginesOrder)
{
    Seen first = Walk(1);
    EXPECT_EQ(first.calls, 1);
    EXPECT_EQ(first.id, ids_.front());
    EXPECT_TRUE(first.outcome.matched);
    Seen last = Walk(static_cast<int>(count_));
    EXPECT_EQ(last.calls, 1);
    EXPECT_EQ(last.id, ids_.back());
    EXPECT_EQ(last.outcome.count, count_);
}

TEST_F(VoiceWalkTest, NumbersNamingNoVoiceMatchNothing)
{
    for (int number : {0, -1, static_cast<int>(count_) + 1, INT_MIN}) {
        Seen seen = Walk(number);
        EXPECT_EQ(seen.calls, 0) << number;
        EXPECT_FALSE(seen.outcome.matched) << number;
        EXPECT_EQ(seen.outcome.result, S_OK) << number;
        EXPECT_EQ(seen.outcome.count, count_);
    }
}

TEST_F(VoiceWalkTest, FailureAtTheMatchEndsTheWalk)
{
    narrate::WalkOutcome outcome = narrate::WalkVoices(1, [](ISpObjectToken*, HRESULT) { return E_INVALIDARG; });
    EXPECT_TRUE(outcome.matched);
    EXPECT_EQ(outcome.result, E_INVALIDARG);
}

TEST(VoiceWalkWithoutCom, ListingFailsAndNothingMatches)
{
    int calls = 0;
    narrate::WalkOutcome outcome = narrate::WalkVoices(1, [&](ISpObjectToken*, HRESULT walk) {
        ++calls;
        return walk;
    });
    EXPECT_EQ(outcome.result, CO_E_NOTINITIALIZED);
    EXPECT_FALSE(outcome.matched);
    EXPECT_EQ(calls, 0);
}

}  // namespace
