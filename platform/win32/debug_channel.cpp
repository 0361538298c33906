#include <varnel/debug_channel.h>

#include <array>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <unistd.h>

namespace win32::debug {
namespace {

constexpr std::array<std::string_view, 4> kNames{"com", "speech", "mfc", "win32"};

std::string_view Trim(std::string_view text)
{
    constexpr std::string_view kSpace = " \t";
    auto first = text.find_first_not_of(kSpace);
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(kSpace) - first + 1);
}

bool SameLetters(std::string_view a, std::string_view b)
{
    auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (lower(a[i]) != lower(b[i])) return false;
    return true;
}

ChannelSet ChannelsOfName(std::string_view name)
{
    if (SameLetters(name, "all")) return kAllChannels;
    for (std::size_t i = 0; i < kNames.size(); ++i)
        if (SameLetters(name, kNames[i])) return Bit(static_cast<Channel>(i));
    return 0;
}

// A short line never allocates; a long one is formatted again at its size.
std::string FormatLine(Channel channel, const char* format, va_list arguments)
{
    std::string line = "varnel:";
    line += ChannelName(channel);
    line += ": ";
    std::size_t prefix = line.size();
    char text[512];
    va_list again;
    va_copy(again, arguments);
    int length = std::vsnprintf(text, sizeof text, format, arguments);
    if (length < 0) length = 0;
    if (static_cast<std::size_t>(length) < sizeof text) {
        line.append(text, static_cast<std::size_t>(length));
    } else {
        line.resize(prefix + static_cast<std::size_t>(length) + 1);
        std::vsnprintf(line.data() + prefix, static_cast<std::size_t>(length) + 1, format, again);
        line.resize(prefix + static_cast<std::size_t>(length));
    }
    va_end(again);
    line += '\n';
    return line;
}

// One write for the line, so lines of several threads never interleave.
void WriteLine(const std::string& line)
{
    std::size_t done = 0;
    while (done < line.size()) {
        ssize_t written = ::write(STDERR_FILENO, line.data() + done, line.size() - done);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return;
        done += static_cast<std::size_t>(written);
    }
}

}  // namespace

namespace detail {

constinit std::atomic<ChannelSet> enabled{kUnread};

bool ReadEnabled(Channel channel)
{
    ChannelSet channels = enabled.load(std::memory_order_relaxed);
    if (channels == kUnread) {
        const char* value = std::getenv("VARNEL_DEBUG");
        ChannelSet parsed = value ? ParseDebugChannels(value) : 0;
        // A test's set put in force meanwhile wins over the environment.
        enabled.compare_exchange_strong(channels, parsed, std::memory_order_relaxed);
        channels = enabled.load(std::memory_order_relaxed);
    }
    return (channels & Bit(channel)) != 0;
}

}  // namespace detail

std::string_view ChannelName(Channel channel)
{
    auto index = static_cast<std::size_t>(channel);
    return index < kNames.size() ? kNames[index] : "?";
}

ChannelSet ParseDebugChannels(std::string_view text)
{
    ChannelSet channels = 0;
    while (!text.empty()) {
        auto comma = text.find(',');
        channels |= ChannelsOfName(Trim(text.substr(0, comma)));
        if (comma == std::string_view::npos) break;
        text.remove_prefix(comma + 1);
    }
    return channels;
}

void Print(Channel channel, const char* format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    std::string line = FormatLine(channel, format, arguments);
    va_end(arguments);
    WriteLine(line);
}

ScopedChannels::ScopedChannels(ChannelSet channels)
    : previous_(detail::enabled.exchange(channels, std::memory_order_relaxed))
{
}

ScopedChannels::~ScopedChannels() { detail::enabled.store(previous_, std::memory_order_relaxed); }

}  // namespace win32::debug
