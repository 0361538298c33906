#include "wire_protocol.h"

#include "variant_values.h"

#include <algorithm>
#include <cstring>

namespace com::wire {
namespace {

// A writer whose bytes begin with room for the frame's length.
Writer FrameWriter(Kind kind)
{
    Writer writer;
    writer.U32(0);
    writer.U8(static_cast<std::uint8_t>(kind));
    return writer;
}

std::vector<std::uint8_t> FinishFrame(Writer& writer)
{
    std::vector<std::uint8_t> bytes = writer.Take();
    auto length = static_cast<std::uint32_t>(bytes.size() - kFrameHeaderBytes);
    for (std::size_t i = 0; i < kFrameHeaderBytes; ++i) bytes[i] = static_cast<std::uint8_t>(length >> (8 * i));
    return bytes;
}

void WriteOptionalText(Writer& writer, const std::optional<std::u16string>& text)
{
    writer.U8(text ? 1 : 0);
    if (text) writer.Text(*text);
}

std::optional<std::u16string> ReadOptionalText(Reader& reader)
{
    std::uint8_t present = reader.U8();
    if (present > 1) reader.Fail();
    if (present != 1) return std::nullopt;
    return reader.Text();
}

bool IsObjectType(VARTYPE vt) { return vt == VT_DISPATCH || vt == VT_UNKNOWN; }

void WriteValue(Writer& writer, const Value& value)
{
    writer.U16(value.vt);
    if (value.vt == (VT_BYREF | VT_VARIANT)) writer.U16(value.valueVt);
    if (value.valueVt == VT_BSTR) WriteOptionalText(writer, value.text);
    else if (IsObjectType(value.valueVt)) writer.U64(value.object);
    else if (std::size_t size = PlainValueSize(value.valueVt))
        for (std::size_t i = 0; i < size; ++i) writer.U8(static_cast<std::uint8_t>(value.bits >> (8 * i)));
}

Value ReadValue(Reader& reader)
{
    Value value;
    value.vt = reader.U16();
    if (!IsValidVariantType(value.vt)) {
        reader.Fail();
        return {};
    }
    value.valueVt = value.vt & ~VT_BYREF;
    if (value.vt == (VT_BYREF | VT_VARIANT)) {
        value.valueVt = reader.U16();
        if (!IsValueType(value.valueVt)) reader.Fail();
    }
    if (value.valueVt == VT_BSTR) value.text = ReadOptionalText(reader);
    else if (IsObjectType(value.valueVt)) value.object = reader.U64();
    else if (std::size_t size = PlainValueSize(value.valueVt))
        for (std::size_t i = 0; i < size; ++i) value.bits |= std::uint64_t{reader.U8()} << (8 * i);
    return reader.ok() ? value : Value{};
}

// Smallest encoded Value: its type alone.
constexpr std::size_t kSmallestValue = 2;

void WriteRequestBody(Writer& writer, const Request& request)
{
    switch (request.kind) {
    case Kind::QueryInterface:
    case Kind::CreateInstance: writer.Guid(request.iid); break;
    case Kind::Release:
    case Kind::LockServer: writer.U32(request.number); break;
    case Kind::GetTypeInfoCount: break;
    case Kind::GetTypeInfo:
        writer.U32(request.number);
        writer.U32(request.lcid);
        break;
    case Kind::GetIDsOfNames:
        writer.Guid(request.iid);
        writer.U32(request.lcid);
        writer.U32(static_cast<std::uint32_t>(request.names.size()));
        for (const auto& name : request.names) writer.Text(name);
        break;
    case Kind::Invoke:
        writer.I32(request.dispId);
        writer.Guid(request.iid);
        writer.U32(request.lcid);
        writer.U16(request.flags);
        writer.U8(request.wants);
        writer.U32(static_cast<std::uint32_t>(request.args.size()));
        for (const auto& arg : request.args) WriteValue(writer, arg);
        writer.U32(static_cast<std::uint32_t>(request.namedArgs.size()));
        for (DISPID id : request.namedArgs) writer.I32(id);
        break;
    default: break;
    }
}

void ReadInvokeBody(Reader& reader, Request& request)
{
    request.dispId = reader.I32();
    request.iid = reader.Guid();
    request.lcid = reader.U32();
    request.flags = reader.U16();
    request.wants = reader.U8();
    std::uint32_t args = reader.Count(kSmallestValue);
    for (std::uint32_t i = 0; i < args && reader.ok(); ++i) request.args.push_back(ReadValue(reader));
    std::uint32_t named = reader.Count(4);
    if (named > args) reader.Fail();
    for (std::uint32_t i = 0; i < named && reader.ok(); ++i) request.namedArgs.push_back(reader.I32());
}

bool ReadRequestBody(Reader& reader, Request& request)
{
    switch (request.kind) {
    case Kind::QueryInterface:
    case Kind::CreateInstance: request.iid = reader.Guid(); break;
    case Kind::Release:
    case Kind::LockServer: request.number = reader.U32(); break;
    case Kind::GetTypeInfoCount: break;
    case Kind::GetTypeInfo:
        request.number = reader.U32();
        request.lcid = reader.U32();
        break;
    case Kind::GetIDsOfNames: {
        request.iid = reader.Guid();
        request.lcid = reader.U32();
        std::uint32_t names = reader.Count(4);
        for (std::uint32_t i = 0; i < names && reader.ok(); ++i) request.names.push_back(reader.Text());
        break;
    }
    case Kind::Invoke: ReadInvokeBody(reader, request); break;
    default: return false;
    }
    return true;
}

void WriteException(Writer& writer, const std::optional<ExceptionInfo>& exception)
{
    writer.U8(exception ? 1 : 0);
    if (!exception) return;
    writer.U16(exception->code);
    WriteOptionalText(writer, exception->source);
    WriteOptionalText(writer, exception->description);
    WriteOptionalText(writer, exception->helpFile);
    writer.U32(exception->helpContext);
    writer.I32(exception->scode);
}

std::optional<ExceptionInfo> ReadException(Reader& reader)
{
    std::uint8_t present = reader.U8();
    if (present > 1) reader.Fail();
    if (present != 1) return std::nullopt;
    ExceptionInfo exception;
    exception.code = reader.U16();
    exception.source = ReadOptionalText(reader);
    exception.description = ReadOptionalText(reader);
    exception.helpFile = ReadOptionalText(reader);
    exception.helpContext = reader.U32();
    exception.scode = reader.I32();
    return exception;
}

Face ReadFace(Reader& reader)
{
    std::uint8_t face = reader.U8();
    if (face > static_cast<std::uint8_t>(Face::ClassFactory)) reader.Fail();
    return static_cast<Face>(face);
}

}  // namespace

std::vector<std::uint8_t> EncodeHello()
{
    Writer writer = FrameWriter(Kind::Hello);
    writer.U32(kMagic);
    writer.U16(kProtocolVersion);
    return FinishFrame(writer);
}

bool DecodeHello(std::span<const std::uint8_t> frame)
{
    Reader reader(frame);
    bool hello = reader.U8() == static_cast<std::uint8_t>(Kind::Hello);
    bool ours = reader.U32() == kMagic && reader.U16() == kProtocolVersion;
    return hello && ours && reader.Finished();
}

std::vector<std::uint8_t> EncodeWelcome(const Welcome& welcome)
{
    Writer writer = FrameWriter(Kind::Welcome);
    writer.U32(kMagic);
    writer.U16(kProtocolVersion);
    writer.U32(welcome.processId);
    writer.U64(welcome.classObject);
    return FinishFrame(writer);
}

std::optional<Welcome> DecodeWelcome(std::span<const std::uint8_t> frame)
{
    Reader reader(frame);
    bool welcomed = reader.U8() == static_cast<std::uint8_t>(Kind::Welcome);
    bool ours = reader.U32() == kMagic && reader.U16() == kProtocolVersion;
    Welcome welcome;
    welcome.processId = reader.U32();
    welcome.classObject = reader.U64();
    if (!welcomed || !ours || !reader.Finished() || welcome.classObject == 0) return std::nullopt;
    return welcome;
}

std::vector<std::uint8_t> EncodeRequest(const Request& request)
{
    Writer writer = FrameWriter(request.kind);
    writer.U32(request.callId);
    writer.U64(request.object);
    WriteRequestBody(writer, request);
    return FinishFrame(writer);
}

std::optional<Request> DecodeRequest(std::span<const std::uint8_t> frame)
{
    Reader reader(frame);
    Request request;
    request.kind = static_cast<Kind>(reader.U8());
    request.callId = reader.U32();
    request.object = reader.U64();
    if (!reader.ok() || !ReadRequestBody(reader, request) || !reader.Finished()) return std::nullopt;
    return request;
}

std::vector<std::uint8_t> EncodeReply(const Reply& reply, Kind answered)
{
    Writer writer = FrameWriter(Kind::Reply);
    writer.U32(reply.callId);
    writer.I32(reply.hr);
    switch (answered) {
    case Kind::QueryInterface: writer.U8(static_cast<std::uint8_t>(reply.face)); break;
    case Kind::CreateInstance:
        writer.U8(static_cast<std::uint8_t>(reply.face));
        writer.U64(reply.object);
        break;
    case Kind::GetTypeInfoCount: writer.U32(reply.number); break;
    case Kind::GetIDsOfNames:
        writer.U32(static_cast<std::uint32_t>(reply.dispIds.size()));
        for (DISPID id : reply.dispIds) writer.I32(id);
        break;
    case Kind::Invoke:
        WriteValue(writer, reply.result);
        writer.U32(static_cast<std::uint32_t>(reply.byRef.size()));
        for (const auto& [index, value] : reply.byRef) {
            writer.U32(index);
            WriteValue(writer, value);
        }
        WriteException(writer, reply.exception);
        writer.U32(reply.number);
        break;
    default: break;
    }
    return FinishFrame(writer);
}

std::optional<Reply> DecodeReply(std::span<const std::uint8_t> frame, Kind answered)
{
    Reader reader(frame);
    if (reader.U8() != static_cast<std::uint8_t>(Kind::Reply)) return std::nullopt;
    Reply reply;
    reply.callId = reader.U32();
    reply.hr = reader.I32();
    switch (answered) {
    case Kind::QueryInterface: reply.face = ReadFace(reader); break;
    case Kind::CreateInstance:
        reply.face = ReadFace(reader);
        reply.object = reader.U64();
        break;
    case Kind::GetTypeInfoCount: reply.number = reader.U32(); break;
    case Kind::GetIDsOfNames: {
        std::uint32_t count = reader.Count(4);
        for (std::uint32_t i = 0; i < count && reader.ok(); ++i) reply.dispIds.push_back(reader.I32());
        break;
    }
    case Kind::Invoke: {
        reply.result = ReadValue(reader);
        std::uint32_t count = reader.Count(4 + kSmallestValue);
        for (std::uint32_t i = 0; i < count && reader.ok(); ++i) {
            std::uint32_t index = reader.U32();
            reply.byRef.push_back({index, ReadValue(reader)});
        }
        reply.exception = ReadException(reader);
        reply.number = reader.U32();
        break;
    }
    default: break;
    }
    if (!reader.Finished()) return std::nullopt;
    return reply;
}

bool FrameCollector::Take(std::span<const std::uint8_t>& data)
{
    if (headerHave_ < kFrameHeaderBytes) {
        std::size_t n = std::min(kFrameHeaderBytes - headerHave_, data.size());
        std::memcpy(header_ + headerHave_, data.data(), n);
        headerHave_ += n;
        data = data.subspan(n);
        if (headerHave_ < kFrameHeaderBytes) return true;
        length_ = 0;
        for (std::size_t i = 0; i < kFrameHeaderBytes; ++i) length_ |= std::uint32_t{header_[i]} << (8 * i);
        if (length_ == 0 || length_ > kMaxFrameBytes) return false;
    }
    std::size_t n = std::min<std::size_t>(length_ - payload_.size(), data.size());
    payload_.insert(payload_.end(), data.begin(), data.begin() + static_cast<std::ptrdiff_t>(n));
    data = data.subspan(n);
    return true;
}

void FrameCollector::Reset()
{
    headerHave_ = 0;
    length_ = 0;
    payload_.clear();
}

}  // namespace com::wire
