// The automation server's message reader: any bytes as the frames a peer sends
// (in pieces), any frame as a greeting, a request or a reply. A message that is
// read encodes to bytes that read back the same; a request's arguments become
// the server's DISPPARAMS and its results.
#include "fuzz_target.h"

#include <export_table.h>
#include <oleauto.h>
#include <server_arguments.h>
#include <wire_protocol.h>

#include <iterator>

namespace {

using namespace com::wire;

constexpr Kind kAnswered[] = {Kind::QueryInterface, Kind::GetTypeInfoCount, Kind::GetTypeInfo, Kind::GetIDsOfNames,
                              Kind::Invoke,         Kind::CreateInstance,   Kind::LockServer};

// Frames cut out of the bytes, fed whole or in pieces whose sizes the bytes choose.
std::vector<std::vector<std::uint8_t>> Collect(std::span<const std::uint8_t> bytes, bool inPieces, bool& bad)
{
    FrameCollector collector;
    std::vector<std::vector<std::uint8_t>> frames;
    auto keep = [&](std::vector<std::uint8_t> frame) {
        frames.push_back(std::move(frame));
        return true;
    };
    bad = false;
    while (!bytes.empty() && !bad) {
        std::size_t piece = inPieces ? std::min<std::size_t>(bytes.size(), bytes[0] % 7 + 1) : bytes.size();
        bad = collector.Add(bytes.first(piece), keep) == FrameCollector::Status::Bad;
        bytes = bytes.subspan(piece);
    }
    return frames;
}

// An encoded message without its length, as the reader gets it.
std::span<const std::uint8_t> Body(const std::vector<std::uint8_t>& frame)
{
    FUZZ_CHECK(frame.size() >= kFrameHeaderBytes);
    return std::span(frame).subspan(kFrameHeaderBytes);
}

void ServeArguments(const Request& request)
{
    com::ExportTable exports;
    com::ServerArguments arguments;
    std::uint32_t argErr = 0;
    if (FAILED(arguments.Build(request, exports, argErr))) {
        FUZZ_CHECK(argErr < request.args.size());
        return;
    }
    DISPPARAMS* params = arguments.params();
    FUZZ_CHECK(params->cArgs == request.args.size());
    for (UINT position = 0; position < params->cArgs + 1; ++position) {
        for (VARTYPE vt : {VT_I4, VT_BSTR, VT_BOOL, VT_DISPATCH}) {
            VARIANT value;
            VariantInit(&value);
            UINT err = 0;
            if (SUCCEEDED(DispGetParam(params, position, vt, &value, &err))) FUZZ_CHECK(value.vt == vt);
            VariantClear(&value);
        }
    }
    VARIANT result;
    VariantInit(&result);
    Value resultValue;
    std::vector<ByRefValue> byRef;
    arguments.TakeResults(result, exports, resultValue, byRef);
}

void CheckRequest(std::span<const std::uint8_t> frame)
{
    std::optional<Request> request = DecodeRequest(frame);
    if (!request) return;
    std::vector<std::uint8_t> encoded = EncodeRequest(*request);
    std::optional<Request> again = DecodeRequest(Body(encoded));
    FUZZ_CHECK(again && EncodeRequest(*again) == encoded);
    if (request->kind == Kind::Invoke) ServeArguments(*request);
}

void CheckReply(std::span<const std::uint8_t> frame, Kind answered)
{
    std::optional<Reply> reply = DecodeReply(frame, answered);
    if (!reply) return;
    std::vector<std::uint8_t> encoded = EncodeReply(*reply, answered);
    std::optional<Reply> again = DecodeReply(Body(encoded), answered);
    FUZZ_CHECK(again && EncodeReply(*again, answered) == encoded);
}

}  // namespace

VARNEL_FUZZ_TARGET(FuzzWire)
{
    std::span<const std::uint8_t> bytes(data, size);
    bool wholeBad = false, piecesBad = false;
    auto whole = Collect(bytes, false, wholeBad);
    auto pieces = Collect(bytes, true, piecesBad);
    FUZZ_CHECK(whole == pieces && wholeBad == piecesBad);
    for (const auto& frame : whole) {
        FUZZ_CHECK(!frame.empty() && frame.size() <= kMaxFrameBytes);
        DecodeHello(frame);
        if (auto welcome = DecodeWelcome(frame)) FUZZ_CHECK(DecodeWelcome(Body(EncodeWelcome(*welcome))).has_value());
        CheckRequest(frame);
        for (Kind answered : kAnswered) CheckReply(frame, answered);
    }
    // The bytes as one frame without its length, as a reader gets it.
    CheckRequest(bytes);
    if (!bytes.empty()) CheckReply(bytes.subspan(1), kAnswered[bytes[0] % std::size(kAnswered)]);
    return 0;
}
