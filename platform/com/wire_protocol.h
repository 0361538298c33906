// The messages between a local server and its clients (platform-internal).
//
// A connection carries frames: a 4-byte little-endian length, then that many
// bytes, the first of them the message kind. The client opens with Hello; the
// server answers Welcome (or closes the connection). Then the client sends
// requests, each answered by one Reply in order, except Release, which is
// never answered. Objects travel as ids that the server gives out per
// connection and never gives twice.
#pragma once

#include "wire_buffer.h"

#include <oaidl.h>

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace com::wire {

inline constexpr std::uint32_t kMagic = 0x4D4F4356;  // "VCOM"
inline constexpr std::uint16_t kProtocolVersion = 1;
// The largest frame either side sends or accepts.
inline constexpr std::uint32_t kMaxFrameBytes = 4u << 20;
inline constexpr std::size_t kFrameHeaderBytes = 4;

enum class Kind : std::uint8_t {
    Hello = 1,
    Welcome,
    QueryInterface,
    Release,
    GetTypeInfoCount,
    GetTypeInfo,
    GetIDsOfNames,
    Invoke,
    CreateInstance,
    LockServer,
    Reply,
};

using ObjectId = std::uint64_t;  // 0: no object

// What an interface pointer the server hands out is, so the proxy can offer it.
enum class Face : std::uint8_t { None = 0, Unknown, Dispatch, ClassFactory };

struct Welcome {
    std::uint32_t processId = 0;
    ObjectId classObject = 0;
};

// A VARIANT as it travels. An object goes as an id: from the client, an id of
// one of the server's own objects; from the server, an object it hands out,
// with one reference for the receiver.
struct Value {
    VARTYPE vt = VT_EMPTY;       // the variant's own type, VT_BYREF included
    VARTYPE valueVt = VT_EMPTY;  // the type of the value it holds or points at
    std::uint64_t bits = 0;      // a number, in the low bytes of its size
    std::optional<std::u16string> text;  // VT_BSTR; nothing for a null BSTR
    ObjectId object = 0;                 // VT_DISPATCH, VT_UNKNOWN
};

// Invoke's optional outputs the caller asked for.
inline constexpr std::uint8_t kWantResult = 0x1;
inline constexpr std::uint8_t kWantExcepInfo = 0x2;
inline constexpr std::uint8_t kWantArgErr = 0x4;

struct Request {
    Kind kind = Kind::Release;
    std::uint32_t callId = 0;
    ObjectId object = 0;
    IID iid{};                 // QueryInterface, CreateInstance; GetIDsOfNames' and Invoke's riid
    std::uint32_t number = 0;  // Release: references; GetTypeInfo: index; LockServer: lock
    LCID lcid = 0;
    std::vector<std::u16string> names;  // GetIDsOfNames
    DISPID dispId = 0;                  // Invoke
    WORD flags = 0;
    std::vector<Value> args;            // in rgvarg order (the last argument first)
    std::vector<DISPID> namedArgs;
    std::uint8_t wants = 0;
};

struct ExceptionInfo {
    WORD code = 0;
    std::optional<std::u16string> source, description, helpFile;
    DWORD helpContext = 0;
    SCODE scode = 0;
};

struct ByRefValue {
    std::uint32_t index;  // in rgvarg
    Value value;
};

struct Reply {
    std::uint32_t callId = 0;
    HRESULT hr = S_OK;
    std::uint32_t number = 0;       // GetTypeInfoCount: count; Invoke: argErr
    Face face = Face::None;         // QueryInterface, CreateInstance
    ObjectId object = 0;            // CreateInstance
    std::vector<DISPID> dispIds;    // GetIDsOfNames
    Value result;                   // Invoke
    std::vector<ByRefValue> byRef;  // Invoke: arguments passed by reference, as left
    std::optional<ExceptionInfo> exception;
};

std::vector<std::uint8_t> EncodeHello();
bool DecodeHello(std::span<const std::uint8_t> frame);
std::vector<std::uint8_t> EncodeWelcome(const Welcome& welcome);
std::optional<Welcome> DecodeWelcome(std::span<const std::uint8_t> frame);

std::vector<std::uint8_t> EncodeRequest(const Request& request);
std::optional<Request> DecodeRequest(std::span<const std::uint8_t> frame);
// A reply's body depends on the request it answers.
std::vector<std::uint8_t> EncodeReply(const Reply& reply, Kind answered);
std::optional<Reply> DecodeReply(std::span<const std::uint8_t> frame, Kind answered);

// Frames arrive in pieces: collects them and hands out each whole frame's
// bytes (without the length). A length of 0 or over kMaxFrameBytes is refused;
// memory grows only with the bytes that really arrive.
class FrameCollector {
public:
    enum class Status { Ok, Bad };

    template <class OnFrame>
    Status Add(std::span<const std::uint8_t> data, OnFrame&& onFrame)
    {
        while (!data.empty()) {
            if (!Take(data)) return Status::Bad;
            if (Complete()) {
                std::vector<std::uint8_t> frame = std::move(payload_);
                Reset();
                if (!onFrame(std::move(frame))) return Status::Bad;
            }
        }
        return Status::Ok;
    }
    // Part of a frame has arrived and not the rest.
    bool Partial() const { return headerHave_ > 0; }

private:
    bool Take(std::span<const std::uint8_t>& data);
    bool Complete() const { return headerHave_ == kFrameHeaderBytes && payload_.size() == length_; }
    void Reset();

    std::uint8_t header_[kFrameHeaderBytes]{};
    std::size_t headerHave_ = 0;
    std::uint32_t length_ = 0;
    std::vector<std::uint8_t> payload_;
};

}  // namespace com::wire
