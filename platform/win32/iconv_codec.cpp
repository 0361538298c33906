#include <text_codec.h>

#include <bit>
#include <cerrno>
#include <cstring>

#include <iconv.h>

namespace win32::nls {
namespace {

constexpr const char* kUtf16 = std::endian::native == std::endian::little ? "UTF-16LE" : "UTF-16BE";

class Converter {
public:
    Converter(const char* to, const char* from) : handle_(iconv_open(to, from)) {}
    ~Converter()
    {
        if (ok()) iconv_close(handle_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    bool ok() const { return handle_ != reinterpret_cast<iconv_t>(-1); }

    enum class Stop { Done, Invalid, Incomplete };

    // Converts as much of [in, in + inLeft) as it can, appending to `out`;
    // stops at the end or at a sequence it cannot convert (in points at it).
    Stop Run(const char*& in, std::size_t& inLeft, std::string& out)
    {
        char chunk[4096];
        for (;;) {
            char* source = const_cast<char*>(in);
            char* target = chunk;
            std::size_t targetLeft = sizeof chunk;
            std::size_t result = iconv(handle_, &source, &inLeft, &target, &targetLeft);
            int error = errno;
            in = source;
            out.append(chunk, static_cast<std::size_t>(target - chunk));
            if (result != static_cast<std::size_t>(-1)) return Stop::Done;
            if (error == E2BIG) continue;
            return error == EINVAL ? Stop::Incomplete : Stop::Invalid;
        }
    }

private:
    iconv_t handle_;
};

bool IsHigh(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLow(char16_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

}  // namespace

std::optional<std::u16string> DecodeWithIconv(const char* charset, std::string_view bytes, bool strict)
{
    Converter converter(kUtf16, charset);
    if (!converter.ok()) return std::nullopt;
    std::string raw;
    const char* in = bytes.data();
    std::size_t inLeft = bytes.size();
    for (;;) {
        auto stop = converter.Run(in, inLeft, raw);
        if (stop == Converter::Stop::Done) break;
        if (strict) return std::nullopt;
        const char16_t replacement = 0xFFFD;
        raw.append(reinterpret_cast<const char*>(&replacement), sizeof replacement);
        if (stop == Converter::Stop::Incomplete) break;
        ++in, --inLeft;  // skip the byte that starts no character
    }
    std::u16string out(raw.size() / 2, u'\0');
    raw.copy(reinterpret_cast<char*>(out.data()), out.size() * 2);
    return out;
}

std::optional<Encoded> EncodeWithIconv(const char* charset, std::u16string_view text,
                                       std::string_view defaultChar)
{
    Converter converter(charset, kUtf16);
    if (!converter.ok()) return std::nullopt;
    Encoded out;
    const char* in = reinterpret_cast<const char*>(text.data());
    std::size_t inLeft = text.size() * sizeof(char16_t);
    for (;;) {
        auto stop = converter.Run(in, inLeft, out.bytes);
        if (stop == Converter::Stop::Done) break;
        out.bytes += defaultChar;
        out.usedDefault = true;
        if (stop == Converter::Stop::Incomplete) break;
        // Skip the character: two units for a whole surrogate pair, else one.
        char16_t units[2] = {};
        std::memcpy(units, in, inLeft >= 4 ? 4 : 2);
        std::size_t skip = inLeft >= 4 && IsHigh(units[0]) && IsLow(units[1]) ? 4 : 2;
        in += skip, inLeft -= skip;
    }
    return out;
}

}  // namespace win32::nls
