#include "../wire_protocol.h"

#include <gtest/gtest.h>

#include <span>
#include <vector>

namespace {

using namespace com::wire;

constexpr IID kSomeIid = MakeGuid("{5B0C1E2A-7D44-4F0B-9E61-1A2B3C4D5E40}");

// What Decode* reads: a frame without its length.
std::span<const std::uint8_t> Body(const std::vector<std::uint8_t>& frame)
{
    return std::span(frame).subspan(kFrameHeaderBytes);
}

Value Number(VARTYPE vt, std::uint64_t bits)
{
    Value value;
    value.vt = value.valueVt = vt;
    value.bits = bits;
    return value;
}

Request SampleInvoke()
{
    Request request;
    request.kind = Kind::Invoke;
    request.callId = 7;
    request.object = 3;
    request.dispId = -4;
    request.iid = kSomeIid;
    request.lcid = 0x409;
    request.flags = 3;
    request.wants = kWantResult | kWantArgErr;
    request.args.push_back(Number(VT_I4, 0xFFFFFFFEu));
    Value text;
    text.vt = text.valueVt = VT_BSTR;
    text.text = u"h\u00e9llo";
    request.args.push_back(text);
    Value byRef;
    byRef.vt = VT_BYREF | VT_VARIANT;
    byRef.valueVt = VT_BSTR;  // a null BSTR
    request.args.push_back(byRef);
    Value object;
    object.vt = object.valueVt = VT_DISPATCH;
    object.object = 9;
    request.args.push_back(object);
    request.namedArgs = {DISPID_PROPERTYPUT};
    return request;
}

void ExpectSameValue(const Value& a, const Value& b)
{
    EXPECT_EQ(a.vt, b.vt);
    EXPECT_EQ(a.valueVt, b.valueVt);
    EXPECT_EQ(a.bits, b.bits);
    EXPECT_EQ(a.text, b.text);
    EXPECT_EQ(a.object, b.object);
}

TEST(WireProtocol, AnInvokeRequestComesBackAsSent)
{
    Request sent = SampleInvoke();
    auto frame = EncodeRequest(sent);
    ASSERT_EQ(frame.size() - kFrameHeaderBytes, frame[0] | frame[1] << 8 | frame[2] << 16 | frame[3] << 24);
    auto got = DecodeRequest(Body(frame));
    ASSERT_TRUE(got);
    EXPECT_EQ(got->kind, Kind::Invoke);
    EXPECT_EQ(got->callId, 7u);
    EXPECT_EQ(got->object, 3u);
    EXPECT_EQ(got->dispId, -4);
    EXPECT_EQ(got->iid, kSomeIid);
    EXPECT_EQ(got->lcid, 0x409u);
    EXPECT_EQ(got->flags, 3);
    EXPECT_EQ(got->wants, kWantResult | kWantArgErr);
    ASSERT_EQ(got->args.size(), sent.args.size());
    for (std::size_t i = 0; i < sent.args.size(); ++i) ExpectSameValue(got->args[i], sent.args[i]);
    EXPECT_EQ(got->namedArgs, sent.namedArgs);
}

TEST(WireProtocol, RepliesCarryWhatTheirRequestKindNeeds)
{
    Reply sent;
    sent.callId = 12;
    sent.hr = DISP_E_EXCEPTION;
    sent.number = 2;
    sent.result = Number(VT_R8, 0x400921FB54442D18u);
    Value doubled = Number(VT_BYREF | VT_I4, 42);
    doubled.valueVt = VT_I4;
    sent.byRef.push_back({1, doubled});
    sent.exception = ExceptionInfo{5, u"source", std::nullopt, u"", 77, E_FAIL};
    auto got = DecodeReply(Body(EncodeReply(sent, Kind::Invoke)), Kind::Invoke);
    ASSERT_TRUE(got);
    EXPECT_EQ(got->callId, 12u);
    EXPECT_EQ(got->hr, DISP_E_EXCEPTION);
    EXPECT_EQ(got->number, 2u);
    ExpectSameValue(got->result, sent.result);
    ASSERT_EQ(got->byRef.size(), 1u);
    EXPECT_EQ(got->byRef[0].index, 1u);
    ExpectSameValue(got->byRef[0].value, doubled);
    ASSERT_TRUE(got->exception);
    EXPECT_EQ(got->exception->code, 5);
    EXPECT_EQ(got->exception->source, u"source");
    EXPECT_EQ(got->exception->description, std::nullopt);
    EXPECT_EQ(got->exception->helpFile, u"");
    EXPECT_EQ(got->exception->helpContext, 77u);
    EXPECT_EQ(got->exception->scode, E_FAIL);

    Reply created;
    created.face = Face::Dispatch;
    created.object = 1234;
    auto back = DecodeReply(Body(EncodeReply(created, Kind::CreateInstance)), Kind::CreateInstance);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->face, Face::Dispatch);
    EXPECT_EQ(back->object, 1234u);
    // The same bytes read as the reply of another kind of request do not fit.
    EXPECT_FALSE(DecodeReply(Body(EncodeReply(created, Kind::CreateInstance)), Kind::QueryInterface));
}

TEST(WireProtocol, EveryTruncationAndAnyTrailingByteIsRefused)
{
    auto frame = EncodeRequest(SampleInvoke());
    std::vector<std::uint8_t> body(frame.begin() + kFrameHeaderBytes, frame.end());
    for (std::size_t size = 0; size < body.size(); ++size)
        EXPECT_FALSE(DecodeRequest(std::span(body).first(size))) << size;
    body.push_back(0);
    EXPECT_FALSE(DecodeRequest(body));
}

TEST(WireProtocol, CountsLargerThanTheirDataAreRefused)
{
    Request names;
    names.kind = Kind::GetIDsOfNames;
    names.names = {u"Name"};
    auto frame = EncodeRequest(names);
    // The count of names sits after kind, call id, object, iid and lcid.
    std::size_t countAt = kFrameHeaderBytes + 1 + 4 + 8 + 16 + 4;
    for (int i = 0; i < 4; ++i) frame[countAt + i] = 0xFF;
    EXPECT_FALSE(DecodeRequest(Body(frame)));

    std::vector<std::uint8_t> text = {static_cast<std::uint8_t>(Kind::GetIDsOfNames), 0, 0, 0, 0,
                                      0, 0, 0, 0, 0, 0, 0, 0};
    text.resize(text.size() + 16 + 4);
    for (std::uint8_t b : {1, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0x7F}) text.push_back(b);  // one name of 2^31 units
    EXPECT_FALSE(DecodeRequest(text));
}

TEST(WireProtocol, VariantTypesThatCannotTravelAreRefused)
{
    for (VARTYPE vt : {VARTYPE(VT_ARRAY | VT_I4), VARTYPE(VT_BYREF | VT_EMPTY), VARTYPE(VT_VARIANT), VARTYPE(0x7FFF)}) {
        Request request = SampleInvoke();
        request.args = {Number(vt, 0)};
        EXPECT_FALSE(DecodeRequest(Body(EncodeRequest(request)))) << vt;
    }
    Request nested = SampleInvoke();
    Value inner;
    inner.vt = VT_BYREF | VT_VARIANT;
    inner.valueVt = VT_BYREF | VT_I4;  // a reference to a reference
    nested.args = {inner};
    EXPECT_FALSE(DecodeRequest(Body(EncodeRequest(nested))));
}

TEST(WireProtocol, TheGreetingsCheckMagicAndVersion)
{
    auto hello = EncodeHello();
    EXPECT_TRUE(DecodeHello(Body(hello)));
    for (std::size_t at = kFrameHeaderBytes + 1; at < hello.size(); ++at) {
        auto changed = hello;
        changed[at] ^= 0x01;
        EXPECT_FALSE(DecodeHello(Body(changed))) << at;
    }
    auto welcome = DecodeWelcome(Body(EncodeWelcome({4321, 1})));
    ASSERT_TRUE(welcome);
    EXPECT_EQ(welcome->processId, 4321u);
    EXPECT_EQ(welcome->classObject, 1u);
    EXPECT_FALSE(DecodeWelcome(Body(EncodeWelcome({4321, 0}))));
    EXPECT_FALSE(DecodeRequest(Body(hello)));
}

// ---- frames arriving in pieces ----------------------------------------------

std::vector<std::vector<std::uint8_t>> Collect(FrameCollector& collector, std::span<const std::uint8_t> data,
                                               FrameCollector::Status& status)
{
    std::vector<std::vector<std::uint8_t>> frames;
    status = collector.Add(data, [&](std::vector<std::uint8_t> frame) {
        frames.push_back(std::move(frame));
        return true;
    });
    return frames;
}

TEST(FrameCollector, ReassemblesFramesFromSingleBytesAndSeparatesJoinedOnes)
{
    auto first = EncodeHello();
    auto second = EncodeWelcome({1, 2});
    std::vector<std::uint8_t> stream = first;
    stream.insert(stream.end(), second.begin(), second.end());

    FrameCollector bytewise;
    std::vector<std::vector<std::uint8_t>> frames;
    for (std::uint8_t byte : stream) {
        FrameCollector::Status status;
        for (auto& frame : Collect(bytewise, std::span(&byte, 1), status)) frames.push_back(frame);
        ASSERT_EQ(status, FrameCollector::Status::Ok);
    }
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_TRUE(DecodeHello(frames[0]));
    EXPECT_TRUE(DecodeWelcome(frames[1]));
    EXPECT_FALSE(bytewise.Partial());

    FrameCollector whole;
    FrameCollector::Status status;
    EXPECT_EQ(Collect(whole, stream, status).size(), 2u);
    EXPECT_EQ(status, FrameCollector::Status::Ok);
    EXPECT_EQ(Collect(whole, std::span(stream).first(3), status).size(), 0u);
    EXPECT_TRUE(whole.Partial());
}

TEST(FrameCollector, ZeroAndOversizedLengthsAreRefusedBeforeAnyPayload)
{
    FrameCollector::Status status;
    FrameCollector empty;
    std::vector<std::uint8_t> zero = {0, 0, 0, 0};
    Collect(empty, zero, status);
    EXPECT_EQ(status, FrameCollector::Status::Bad);

    FrameCollector huge;
    std::uint32_t length = kMaxFrameBytes + 1;
    std::vector<std::uint8_t> header = {std::uint8_t(length), std::uint8_t(length >> 8), std::uint8_t(length >> 16),
                                        std::uint8_t(length >> 24)};
    Collect(huge, header, status);
    EXPECT_EQ(status, FrameCollector::Status::Bad);

    FrameCollector largest;
    length = kMaxFrameBytes;
    header = {std::uint8_t(length), std::uint8_t(length >> 8), std::uint8_t(length >> 16), std::uint8_t(length >> 24)};
    Collect(largest, header, status);
    EXPECT_EQ(status, FrameCollector::Status::Ok);
}

TEST(FrameCollector, AFrameTheReceiverRejectsStopsTheStream)
{
    FrameCollector collector;
    auto frame = EncodeHello();
    auto status = collector.Add(frame, [](std::vector<std::uint8_t>) { return false; });
    EXPECT_EQ(status, FrameCollector::Status::Bad);
}

}  // namespace
