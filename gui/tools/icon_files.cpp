// Draws the desktop's icon files from the program's own icon: a scalable SVG of
// the 32 x 32 image and PNGs at the usual sizes, every icon pixel a square block.
// varnel_icons <folder> <name> writes <folder>/scalable/apps/<name>.svg and
// <folder>/<n>x<n>/apps/<name>.png.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <zlib.h>

#include "res/resources.h"

namespace {

namespace fs = std::filesystem;

struct Scaled {
    int size;                  // pixels of the file
    const AFX_ICONIMAGE* from;  // the icon image it is drawn from
};

void PutBigEndian(std::string& out, std::uint32_t value)
{
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<char>((value >> shift) & 0xFF));
}

void PutChunk(std::string& png, const char* type, const std::string& data)
{
    PutBigEndian(png, static_cast<std::uint32_t>(data.size()));
    const std::string typed = std::string(type, 4) + data;
    png += typed;
    PutBigEndian(png, static_cast<std::uint32_t>(
                          crc32(0, reinterpret_cast<const Bytef*>(typed.data()), static_cast<uInt>(typed.size()))));
}

// RGBA rows, each after filter byte 0, of the image scaled up by whole pixels.
std::string Rows(const AFX_ICONIMAGE& image, int size)
{
    std::string rows;
    for (int y = 0; y < size; ++y) {
        rows.push_back('\0');
        for (int x = 0; x < size; ++x) {
            const DWORD argb = image.argb[static_cast<std::size_t>(y * image.height / size * image.width + x * image.width / size)];
            for (int shift : {16, 8, 0, 24}) rows.push_back(static_cast<char>((argb >> shift) & 0xFF));
        }
    }
    return rows;
}

bool WritePng(const fs::path& path, const AFX_ICONIMAGE& image, int size)
{
    const std::string rows = Rows(image, size);
    uLongf packedSize = compressBound(static_cast<uLong>(rows.size()));
    std::string packed(packedSize, '\0');
    if (compress2(reinterpret_cast<Bytef*>(packed.data()), &packedSize, reinterpret_cast<const Bytef*>(rows.data()),
                  static_cast<uLong>(rows.size()), Z_BEST_COMPRESSION) != Z_OK)
        return false;
    packed.resize(packedSize);
    std::string header;
    PutBigEndian(header, static_cast<std::uint32_t>(size));
    PutBigEndian(header, static_cast<std::uint32_t>(size));
    header += std::string("\x08\x06\x00\x00\x00", 5);  // 8-bit RGBA, no interlace
    std::string png = "\x89PNG\r\n\x1A\n";
    PutChunk(png, "IHDR", header);
    PutChunk(png, "IDAT", packed);
    PutChunk(png, "IEND", "");
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << png;
    return static_cast<bool>(out.flush());
}

// One rectangle per run of equal pixels in a row.
bool WriteSvg(const fs::path& path, const AFX_ICONIMAGE& image)
{
    std::ofstream out(path, std::ios::trunc);
    out << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" << image.width << "\" height=\"" << image.height
        << "\" viewBox=\"0 0 " << image.width << ' ' << image.height << "\" shape-rendering=\"crispEdges\">\n";
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width;) {
            const DWORD argb = image.argb[static_cast<std::size_t>(y * image.width + x)];
            int run = 1;
            while (x + run < image.width && image.argb[static_cast<std::size_t>(y * image.width + x + run)] == argb) ++run;
            if (argb >> 24) {
                char colour[8];
                std::snprintf(colour, sizeof colour, "#%06X", static_cast<unsigned>(argb & 0xFFFFFF));
                out << "<rect x=\"" << x << "\" y=\"" << y << "\" width=\"" << run << "\" height=\"1\" fill=\"" << colour
                    << "\"/>\n";
            }
            x += run;
        }
    }
    out << "</svg>\n";
    return static_cast<bool>(out.flush());
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: varnel_icons <folder> <name>\n");
        return 1;
    }
    const fs::path folder = argv[1];
    const std::string name = argv[2];
    const auto images = ProgramIconImages();
    if (images.size() < 2) return 1;
    const AFX_ICONIMAGE& large = images[0];
    const AFX_ICONIMAGE& small = images[1];
    // The small image where it is drawn for small sizes, the large one above.
    const Scaled sizes[] = {{16, &small}, {32, &large}, {48, &small}, {64, &large}, {128, &large}, {256, &large}};
    std::error_code error;
    bool written = true;
    for (const Scaled& scaled : sizes) {
        const fs::path apps = folder / (std::to_string(scaled.size) + "x" + std::to_string(scaled.size)) / "apps";
        fs::create_directories(apps, error);
        written = WritePng(apps / (name + ".png"), *scaled.from, scaled.size) && written;
    }
    fs::create_directories(folder / "scalable/apps", error);
    written = WriteSvg(folder / "scalable/apps" / (name + ".svg"), large) && written;
    if (!written) std::fprintf(stderr, "varnel_icons: cannot write the icons into %s\n", folder.c_str());
    return written ? 0 : 1;
}
