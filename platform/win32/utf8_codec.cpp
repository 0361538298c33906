#include <text_codec.h>

namespace win32::nls {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

// One character at bytes[0]. Returns the code point or nullopt for an invalid
// sequence; `used` is the character's length, or for an invalid sequence its
// longest valid start (at least 1), which is replaced as one unit.
std::optional<char32_t> DecodeOne(std::string_view bytes, std::size_t& used)
{
    auto lead = static_cast<unsigned char>(bytes[0]);
    used = 1;
    if (lead < 0x80) return lead;
    std::size_t need;
    unsigned char low = 0x80, high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) need = 1;
    else if (lead == 0xE0) need = 2, low = 0xA0;
    else if (lead == 0xED) need = 2, high = 0x9F;  // no UTF-16 surrogates
    else if (lead >= 0xE1 && lead <= 0xEF) need = 2;
    else if (lead == 0xF0) need = 3, low = 0x90;
    else if (lead == 0xF4) need = 3, high = 0x8F;  // nothing above U+10FFFF
    else if (lead >= 0xF1 && lead <= 0xF3) need = 3;
    else return std::nullopt;
    char32_t code = lead & (need == 1 ? 0x1F : need == 2 ? 0x0F : 0x07);
    for (std::size_t i = 0; i < need; ++i) {
        if (used >= bytes.size()) return std::nullopt;
        auto trail = static_cast<unsigned char>(bytes[used]);
        if (trail < low || trail > high) return std::nullopt;
        low = 0x80, high = 0xBF;
        code = (code << 6) | (trail & 0x3F);
        ++used;
    }
    return code;
}

void AppendUtf16(std::u16string& out, char32_t code)
{
    if (code < 0x10000) {
        out += static_cast<char16_t>(code);
        return;
    }
    code -= 0x10000;
    out += static_cast<char16_t>(0xD800 + (code >> 10));
    out += static_cast<char16_t>(0xDC00 + (code & 0x3FF));
}

void AppendUtf8(std::string& out, char32_t code)
{
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

bool IsHigh(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLow(char16_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

}  // namespace

std::optional<std::u16string> DecodeUtf8(std::string_view bytes, bool strict)
{
    std::u16string out;
    out.reserve(bytes.size());
    while (!bytes.empty()) {
        std::size_t used;
        auto code = DecodeOne(bytes, used);
        if (!code && strict) return std::nullopt;
        AppendUtf16(out, code.value_or(kReplacement));
        bytes.remove_prefix(used);
    }
    return out;
}

std::optional<Encoded> EncodeUtf8(std::u16string_view text, bool strict)
{
    Encoded out;
    out.bytes.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        char16_t unit = text[i];
        char32_t code = unit;
        if (IsHigh(unit) && i + 1 < text.size() && IsLow(text[i + 1])) {
            code = 0x10000 + ((unit - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (IsHigh(unit) || IsLow(unit)) {
            if (strict) return std::nullopt;
            code = kReplacement;
        }
        AppendUtf8(out.bytes, code);
    }
    return out;
}

}  // namespace win32::nls
