#include <sphelper.h>

#include <atlbase.h>
#include <varnel/com_object.h>

#include <gtest/gtest.h>

namespace {

// Reports 22050 Hz 16-bit mono and counts the calls.
class FormatReporting final : public ComObject<ISpStreamFormat> {
public:
    STDMETHOD(Write)(const void*, ULONG, ULONG*) override { return E_NOTIMPL; }
    STDMETHOD(GetFormat)(GUID* formatId, WAVEFORMATEX** format) override
    {
        ++formatCalls;
        auto* wave = static_cast<WAVEFORMATEX*>(CoTaskMemAlloc(sizeof(WAVEFORMATEX)));
        if (!wave) return E_OUTOFMEMORY;
        *wave = {WAVE_FORMAT_PCM, 1, 22050, 44100, 2, 16, 0};
        *formatId = SPDFID_WaveFormatEx;
        *format = wave;
        return S_OK;
    }
    int formatCalls = 0;
};

// Fails GetFormat after handing back a block, as a careless stream might.
class FailingFormat final : public ComObject<ISpStreamFormat> {
public:
    STDMETHOD(Write)(const void*, ULONG, ULONG*) override { return E_NOTIMPL; }
    STDMETHOD(GetFormat)(GUID* formatId, WAVEFORMATEX** format) override
    {
        *formatId = SPDFID_WaveFormatEx;
        *format = static_cast<WAVEFORMATEX*>(CoTaskMemAlloc(sizeof(WAVEFORMATEX)));
        return E_FAIL;
    }
};

TEST(CSpStreamFormat, TakesOverTheStreamsFormat)
{
    CComPtr<FormatReporting> stream;
    stream.Attach(new FormatReporting);
    CSpStreamFormat format;
    EXPECT_EQ(format.FormatId(), GUID_NULL);
    EXPECT_EQ(format.WaveFormatExPtr(), nullptr);
    ASSERT_EQ(format.AssignFormat(stream), S_OK);
    EXPECT_EQ(format.FormatId(), SPDFID_WaveFormatEx);
    ASSERT_NE(format.WaveFormatExPtr(), nullptr);
    EXPECT_EQ(format.WaveFormatExPtr()->nSamplesPerSec, 22050u);
    ASSERT_EQ(format.AssignFormat(stream), S_OK);  // the first block is freed (ASan checks)
    EXPECT_EQ(stream->formatCalls, 2);
}

TEST(CSpStreamFormat, FailureLeavesAnEmptyRecord)
{
    CComPtr<FailingFormat> failing;
    failing.Attach(new FailingFormat);
    CSpStreamFormat format;
    EXPECT_EQ(format.AssignFormat(failing), E_FAIL);
    EXPECT_EQ(format.FormatId(), GUID_NULL);
    EXPECT_EQ(format.WaveFormatExPtr(), nullptr);
    EXPECT_EQ(format.AssignFormat(nullptr), E_POINTER);
}

}  // namespace
