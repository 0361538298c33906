// Icon 128: a loudspeaker with sound waves on a blue tile, in the 16 colours of
// the classic palette. Each character is one pixel; '.' is transparent.
#include <afxwin.h>

#include <array>
#include <string_view>
#include <vector>

#include "resource.h"
#include "resources.h"

namespace {

constexpr std::string_view kLarge[32] = {
    "................................",
    "..BBBBBBBBBBBBBBBBBBBBBBBBBBBB..",
    ".BbbbbbbbbbbbbbbbbbbbbbbbbbbbbB.",
    ".BbbbbbbbbbbbbbbbbbbbbbbbbbbbbB.",
    ".BbbbbbbbbbbbbbbbbbbbbbbbbbbbbB.",
    ".BbbbbbbbbbbbbbbbbbbbbbbbbbbbbB.",
    ".BbbbbbbbbbbbbKbbbbbbbbbbbbbbbB.",
    ".BbbbbbbbbbbbKKbbbbbbbbbWbbbbbB.",
    ".BbbbbbbbbbbKWKbbbbbbbbbbWbbbbB.",
    ".BbbbbbbbbbKWWKbbbbbbWbbbbWbbbB.",
    ".BbbbbbbbbKWWWKbbbbbbbWbbbWbbbB.",
    ".BbbbKKKKKWWWWKbbbWbbbbWbbbWbbB.",
    ".BbbbKYYYYWWWWKbbbbWbbbWbbbWbbB.",
    ".BbbbKYYYYWWWWKbbbbWbbbbWbbbWbB.",
    ".BbbbKYYYYWWWWKbbbbbWbbbWbbbWbB.",
    ".BbbbKYYYYWWWWKbbbbbWbbbWbbbWbB.",
    ".BbbbKYYYYWWWWKbbbbbWbbbWbbbWbB.",
    ".BbbbKYYYYWWWWKbbbbbWbbbWbbbWbB.",
    ".BbbbKYYYYWWWWKbbbbWbbbbWbbbWbB.",
    ".BbbbKYYYYWWWWKbbbbWbbbWbbbWbbB.",
    ".BbbbKKKKKWWWWKbbbWbbbbWbbbWbbB.",
    ".BbbbbbbbbKWWWKbbbbbbbWbbbWbbbB.",
    ".BbbbbbbbbbKWWKbbbbbbWbbbbWbbbB.",
    ".BbbbbbbbbbbKWKbbbbbbbbbbWbbbbB.",
    ".BbbbbbbbbbbbKKbbbbbbbbbWbbbbbB.",
    ".BbbbbbbbbbbbbKbbbbbbbbbbbbbbbB.",
    ".BbbbbbbbbbbbbbbbbbbbbbbbbbbbbB.",
    ".BbbbbbbbbbbbbbbbbbbbbbbbbbbbbB.",
    ".BbbbbbbbbbbbbbbbbbbbbbbbbbbbbB.",
    ".BbbbbbbbbbbbbbbbbbbbbbbbbbbbbB.",
    "..BBBBBBBBBBBBBBBBBBBBBBBBBBBB..",
    "................................",
};

constexpr std::string_view kSmall[16] = {
    ".BBBBBBBBBBBBBB.",
    "BbbbbbbbbbbbbbbB",
    "BbbbbbbbbbbbbbbB",
    "BbbbbbKbbbbWbbbB",
    "BbbbbKWbbWbbWbbB",
    "BbKKKWWbbbWbbWbB",
    "BbKYYWWbbbWbbWbB",
    "BbKYYWWbbbWbbWbB",
    "BbKYYWWbbbWbbWbB",
    "BbKYYWWbbbWbbWbB",
    "BbKKKWWbbbWbbWbB",
    "BbbbbKWbbWbbWbbB",
    "BbbbbbKbbbbWbbbB",
    "BbbbbbbbbbbbbbbB",
    "BbbbbbbbbbbbbbbB",
    ".BBBBBBBBBBBBBB.",
};

constexpr DWORD Colour(char pixel)
{
    switch (pixel) {
    case 'K': return 0xFF000000;  // black
    case 'B': return 0xFF000080;  // dark blue
    case 'b': return 0xFF0000FF;  // blue
    case 'W': return 0xFFFFFFFF;  // white
    case 'Y': return 0xFFFFFF00;  // yellow
    default: return 0x00000000;   // transparent
    }
}

template <std::size_t N>
std::vector<DWORD> Pixels(const std::string_view (&rows)[N])
{
    std::vector<DWORD> pixels;
    pixels.reserve(N * N);
    for (std::string_view row : rows)
        for (char pixel : row) pixels.push_back(Colour(pixel));
    return pixels;
}

}  // namespace

std::span<const AFX_ICONIMAGE> ProgramIconImages()
{
    static const std::vector<DWORD> large = Pixels(kLarge);
    static const std::vector<DWORD> small = Pixels(kSmall);
    static const std::array<AFX_ICONIMAGE, 2> images = {{{32, 32, large}, {16, 16, small}}};
    return images;
}

void RegisterProgramIcon() { AfxRegisterIcon(IDR_MAINFRAME, ProgramIconImages()); }

namespace {
template <std::size_t N>
constexpr bool Square(const std::string_view (&rows)[N])
{
    for (std::string_view row : rows)
        if (row.size() != N) return false;
    return true;
}
static_assert(Square(kLarge) && Square(kSmall), "each icon image is square");
}  // namespace
