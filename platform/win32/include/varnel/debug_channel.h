// Trace lines on standard error, by channel, as Wine's WINEDEBUG gives them:
// VARNEL_DEBUG=com,speech (or "all") turns channels on for the process.
//
//   VARNEL_TRACE(Com, "CoInitializeEx %s -> 0x%08X", model, hr);
//
// prints "varnel:com: CoInitializeEx ... -> 0x00000000\n" in one write. When the
// channel is off the test is one relaxed load and the arguments are not evaluated.
#pragma once

#include <atomic>
#include <cstdint>
#include <string_view>

namespace win32::debug {

enum class Channel : std::uint8_t { Com, Speech, Mfc, Win32 };

using ChannelSet = std::uint32_t;

constexpr ChannelSet Bit(Channel channel) { return ChannelSet{1} << static_cast<unsigned>(channel); }

inline constexpr ChannelSet kAllChannels = Bit(Channel::Com) | Bit(Channel::Speech) | Bit(Channel::Mfc)
    | Bit(Channel::Win32);

// "com", "speech", "mfc", "win32".
std::string_view ChannelName(Channel channel);

// The channels a VARNEL_DEBUG value names: comma-separated names, case and
// surrounding spaces ignored, "all" for every one, unknown names skipped.
ChannelSet ParseDebugChannels(std::string_view text);

namespace detail {
// Every bit set until VARNEL_DEBUG is read, so the first test of any channel
// takes the slow path once. Constant-initialised: usable from static initialisers.
inline constexpr ChannelSet kUnread = ~ChannelSet{0};
extern std::atomic<ChannelSet> enabled;
bool ReadEnabled(Channel channel);
}  // namespace detail

inline bool IsOn(Channel channel)
{
    if (!(detail::enabled.load(std::memory_order_relaxed) & Bit(channel))) return false;
    return detail::ReadEnabled(channel);
}

// Writes "varnel:<channel>: <text>\n" to standard error in one write.
[[gnu::format(printf, 2, 3)]] void Print(Channel channel, const char* format, ...);

// Puts a set of channels in force instead of VARNEL_DEBUG for the life of the
// object (tests).
class ScopedChannels {
public:
    explicit ScopedChannels(ChannelSet channels);
    ~ScopedChannels();
    ScopedChannels(const ScopedChannels&) = delete;
    ScopedChannels& operator=(const ScopedChannels&) = delete;

private:
    ChannelSet previous_;
};

}  // namespace win32::debug

#define VARNEL_TRACE(channel, ...)                                                         \
    do {                                                                                   \
        if (::win32::debug::IsOn(::win32::debug::Channel::channel))                        \
            ::win32::debug::Print(::win32::debug::Channel::channel, __VA_ARGS__);          \
    } while (false)
