// The dispatch wrappers against the real engine: creation from the ProgID, the
// voice list, choosing a voice, rate and volume, a bad index, references, and
// pausing with the status that tells it.
#include <afxdisp.h>

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <utility>

#include "SpObjectTokenDispatch.h"
#include "SpObjectTokensDispatch.h"
#include "SpVoiceDispatch.h"
#include "SpeechVoiceStatusDispatch.h"
#include "gui_fixture.h"

namespace {

// References held on an object: counted by one more and one less.
ULONG References(IDispatch* object)
{
    object->AddRef();
    return object->Release();
}

class DispatchWrappers : public gui_test::GuiTest {
protected:
    void SetUp() override
    {
        GuiTest::SetUp();
        CLSID clsid{};
        ASSERT_EQ(CLSIDFromProgID(u"SAPI.SpVoice", &clsid), S_OK);
        ASSERT_TRUE(voice_.CreateDispatch(clsid));
        SpObjectTokensDispatch voices(voice_.GetVoices(nullptr, nullptr));
        voices_ = voices;
        voices.ReleaseDispatch();
        count_ = voices_.GetCount();
        ASSERT_GT(count_, 0) << "the engine lists no voice";
    }
    void TearDown() override
    {
        voices_.ReleaseDispatch();
        voice_.ReleaseDispatch();
        GuiTest::TearDown();
    }

    SpVoiceDispatch voice_;
    SpObjectTokensDispatch voices_;
    long count_ = 0;
};

TEST_F(DispatchWrappers, ListsEveryVoiceWithADescription)
{
    std::set<std::string> descriptions;
    for (long i = 0; i < count_; ++i) {
        SpObjectTokenDispatch token(voices_.Item(i));
        CString description = token.GetDescription(0);
        EXPECT_FALSE(description.IsEmpty()) << "voice " << i;
        descriptions.insert(description.GetString());
    }
    EXPECT_EQ(descriptions.size(), static_cast<std::size_t>(count_)) << "descriptions tell the voices apart";

    // A second listing gives the same order.
    SpObjectTokensDispatch again(voice_.GetVoices("", ""));
    ASSERT_EQ(again.GetCount(), count_);
    SpObjectTokenDispatch first(voices_.Item(0)), firstAgain(again.Item(0));
    EXPECT_EQ(first.GetDescription(0), firstAgain.GetDescription(0));
}

TEST_F(DispatchWrappers, RateAndVolumeReadBackWhatWasWritten)
{
    voice_.SetRate(-7);
    EXPECT_EQ(voice_.GetRate(), -7);
    voice_.SetRate(10);
    EXPECT_EQ(voice_.GetRate(), 10);
    voice_.SetVolume(0);
    EXPECT_EQ(voice_.GetVolume(), 0);
    voice_.SetVolume(100);
    EXPECT_EQ(voice_.GetVolume(), 100);
}

TEST_F(DispatchWrappers, AnOutOfRangeRateRaisesAndKeepsTheOldValue)
{
    voice_.SetRate(3);
    bool raised = false;
    try {
        voice_.SetRate(11);
    } catch (CException* e) {
        raised = true;
        e->Delete();
    }
    EXPECT_TRUE(raised);
    EXPECT_EQ(voice_.GetRate(), 3);
}

TEST_F(DispatchWrappers, ChoosingAVoiceByTokenWorksForEveryRow)
{
    for (long i = 0; i < count_; ++i) {
        SpObjectTokenDispatch token(voices_.Item(i));
        EXPECT_NO_THROW(voice_.SetVoice(token.m_lpDispatch)) << "voice " << i;
    }
}

TEST_F(DispatchWrappers, SpeakingEmptyTextWithPurgeReturnsAtOnce)
{
    // Nothing is queued: the purge has nothing to discard and nothing is spoken.
    EXPECT_NO_THROW(voice_.Speak("", SVSFPurgeBeforeSpeak));
}

TEST_F(DispatchWrappers, ItemAtCountRaisesADispatchExceptionAndLeavesTheTargetAlone)
{
    SpObjectTokenDispatch target(voices_.Item(0));
    IDispatch* before = target.m_lpDispatch;
    ULONG referencesBefore = References(before);

    COleDispatchException* caught = nullptr;
    try {
        SpObjectTokenDispatch temporary(voices_.Item(count_));
        target = temporary;
    } catch (COleDispatchException* e) {
        caught = e;
    }
    ASSERT_NE(caught, nullptr);
    EXPECT_FALSE(caught->m_strDescription.IsEmpty());
    caught->Delete();
    EXPECT_EQ(target.m_lpDispatch, before);
    EXPECT_EQ(References(before), referencesBefore);

    bool raisedForMinusOne = false;
    try {
        SpObjectTokenDispatch none(voices_.Item(-1));
    } catch (COleDispatchException* e) {
        raisedForMinusOne = true;
        e->Delete();
    }
    EXPECT_TRUE(raisedForMinusOne) << "no selection (-1) is no index either";
}

TEST_F(DispatchWrappers, MovesAndAssignmentsCountReferences)
{
    SpObjectTokenDispatch owner(voices_.Item(0));  // takes over Item's reference
    IDispatch* token = owner.m_lpDispatch;
    ASSERT_NE(token, nullptr);
    const ULONG held = References(token);
    {
        SpObjectTokenDispatch copy;
        copy = owner;  // shares: one more
        EXPECT_EQ(copy.m_lpDispatch, token);
        EXPECT_TRUE(copy.m_bAutoRelease);
        EXPECT_EQ(References(token), held + 1);
        SpObjectTokenDispatch moved(std::move(copy));  // hands over: no change
        EXPECT_EQ(References(token), held + 1);
        EXPECT_EQ(copy.m_lpDispatch, nullptr);
        SpObjectTokenDispatch copied(moved);  // copy construction shares too
        EXPECT_EQ(References(token), held + 2);
    }
    EXPECT_EQ(References(token), held) << "leaving scope released the shared references";

    // The member pattern: temporary, assignment, release of the temporary.
    SpObjectTokenDispatch member;
    SpObjectTokenDispatch temporary(voices_.Item(count_ - 1));
    IDispatch* other = temporary.m_lpDispatch;
    const ULONG otherHeld = References(other);
    member = temporary;
    EXPECT_EQ(References(other), otherHeld + 1);
    temporary.ReleaseDispatch();
    EXPECT_EQ(References(other), otherHeld) << "the member holds exactly the temporary's reference";

    // Assigning over a held pointer releases the old one and shares the new one.
    other->AddRef();  // keeps it alive to look at
    member = owner;
    EXPECT_EQ(member.m_lpDispatch, token);
    EXPECT_EQ(References(token), held + 1);
    EXPECT_EQ(References(other), other == token ? held + 1 : otherHeld);
    other->Release();
    member.ReleaseDispatch();
    EXPECT_EQ(member.m_lpDispatch, nullptr);
    EXPECT_EQ(References(token), held);
}

TEST_F(DispatchWrappers, AWrapperWithoutAnObjectRaisesInsteadOfCalling)
{
    SpVoiceDispatch empty;
    bool raised = false;
    try {
        empty.GetRate();
    } catch (COleException* e) {
        raised = true;
        EXPECT_EQ(e->m_sc, E_POINTER);
        e->Delete();
    }
    EXPECT_TRUE(raised);
}

TEST_F(DispatchWrappers, StatusOfAnIdleVoiceTellsDoneAndNoWord)
{
    SpeechVoiceStatusDispatch status(voice_.GetStatus());
    ASSERT_NE(status.m_lpDispatch, nullptr);
    EXPECT_EQ(status.GetRunningState(), SRSEDone);
    EXPECT_EQ(status.GetCurrentStreamNumber(), 0);
    EXPECT_EQ(status.GetInputWordLength(), 0);
    EXPECT_EQ(status.GetInputSentenceLength(), 0);
    EXPECT_TRUE(voice_.WaitUntilDone(0));
}

TEST_F(DispatchWrappers, APauseWhileIdleHoldsTheRequestUntilResume)
{
    voice_.Pause();
    voice_.Pause();  // counted: two pauses need two resumes
    const CString text("One two three.");
    long stream = voice_.Speak(text, SVSFlagsAsync);
    EXPECT_GT(stream, 0);
    EXPECT_FALSE(voice_.WaitUntilDone(0)) << "held, not dropped";
    {
        SpeechVoiceStatusDispatch status(voice_.GetStatus());
        EXPECT_EQ(status.GetInputWordLength(), 0) << "nothing heard yet";
    }
    voice_.Resume();
    EXPECT_FALSE(voice_.WaitUntilDone(0)) << "one pause is still in force";
    voice_.Resume();
    EXPECT_TRUE(voice_.WaitUntilDone(-1));
    SpeechVoiceStatusDispatch status(voice_.GetStatus());
    EXPECT_EQ(status.GetRunningState(), SRSEDone);
    // The last word heard, in UTF-16 units of the text given: "three".
    EXPECT_EQ(status.GetInputWordPosition(), 8);
    EXPECT_EQ(status.GetInputWordLength(), 5);
    EXPECT_EQ(status.GetInputSentencePosition(), 0);
    EXPECT_GE(status.GetInputSentenceLength(), 13);
}

TEST_F(DispatchWrappers, APurgeEndsAPauseAndItsQueue)
{
    voice_.Pause();
    voice_.Speak("Never heard.", SVSFlagsAsync);
    voice_.Speak("", SVSFPurgeBeforeSpeak);
    EXPECT_TRUE(voice_.WaitUntilDone(-1)) << "nothing is left held";
    voice_.Resume();  // a resume with no pause left does nothing
    EXPECT_TRUE(voice_.WaitUntilDone(0));
}

}  // namespace
