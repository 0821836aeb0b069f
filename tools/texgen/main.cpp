// Writes the demo's pictures into <demo folder>/textures/, and on request a contact sheet
// (one PNG with every picture and its name) for looking at them all at once.
//
//   texgen <demo folder> [--sheet <file.png>]
//   texgen --icon <file.ico> [--icon-preview <file.png>]   (the Windows program's icon)
#include <cstdio>
#include <filesystem>
#include <string>

#include "lettering.h"
#include "textures.h"
#include "writers.h"

using namespace texgen;

namespace {

Image contactSheet(const std::vector<Texture>& textures) {
    const int cell = 200, thumb = 180, label = 26, cols = 6;
    const int rows = (static_cast<int>(textures.size()) + cols - 1) / cols;
    Image sheet(cols * cell, rows * (cell + label), hex(0x202228));
    platform::TextStyle style;
    style.fontPattern = "DejaVu Sans";
    style.pixelHeight = 15;
    for (std::size_t i = 0; i < textures.size(); ++i) {
        const int cx = static_cast<int>(i) % cols, cy = static_cast<int>(i) / cols;
        const Image& src = textures[i].preview;
        const float aspect = static_cast<float>(src.width()) / static_cast<float>(src.height());
        const int tw = aspect >= 1 ? thumb : static_cast<int>(thumb * aspect);
        const int th = aspect >= 1 ? static_cast<int>(thumb / aspect) : thumb;
        const Image small = src.resized(tw, th);
        const int ox = cx * cell + (cell - tw) / 2, oy = cy * (cell + label) + (cell - th) / 2;
        for (int y = 0; y < th; ++y)
            for (int x = 0; x < tw; ++x) sheet.at(ox + x, oy + y) = small.at(x, y);
        const Mask name = textMask(textures[i].name, style);
        paintMask(sheet, name, static_cast<float>(cx * cell + (cell - name.width) / 2),
                  static_cast<float>(cy * (cell + label) + cell), [](int, int) { return hex(0xe0e0e0); }, 1.0f,
                  false);
    }
    return sheet;
}

}  // namespace

int main(int argc, char** argv) {
    std::string outDir, sheetPath, iconPath, iconPreview;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--sheet" && i + 1 < argc) {
            sheetPath = argv[++i];
        } else if (arg == "--icon" && i + 1 < argc) {
            iconPath = argv[++i];
        } else if (arg == "--icon-preview" && i + 1 < argc) {
            iconPreview = argv[++i];
        } else if (outDir.empty() && !arg.starts_with("-")) {
            outDir = arg;
        } else {
            std::fprintf(stderr, "usage: texgen <demo folder> [--sheet <file.png>] | texgen --icon <file.ico>\n");
            return 2;
        }
    }
    if (!iconPath.empty() && outDir.empty()) {
        const std::vector<Image> icon = programIcon();
        bool ok = writeIco(iconPath, icon);
        if (!iconPreview.empty()) ok = writePng(iconPreview, icon.back()) && ok;
        return ok ? 0 : 1;
    }
    if (outDir.empty()) {
        std::fprintf(stderr, "usage: texgen <demo folder> [--sheet <file.png>] | texgen --icon <file.ico>\n");
        return 2;
    }
    const std::filesystem::path dir = std::filesystem::path(outDir) / "textures";
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    if (ec) {
        std::fprintf(stderr, "texgen: cannot create %s: %s\n", dir.c_str(), ec.message().c_str());
        return 1;
    }
    const std::vector<Texture> textures = buildAllTextures();
    bool ok = true;
    for (const Texture& t : textures) {
        const std::string path = (dir / t.name).string();
        ok = (t.format == Format::Bmp ? writeBmp(path, t.image) : writeJpeg(path, t.image, 92)) && ok;
    }
    if (!sheetPath.empty()) ok = writePng(sheetPath, contactSheet(textures)) && ok;
    if (!ok) return 1;
    std::printf("texgen: %zu pictures written to %s\n", textures.size(), dir.c_str());
    return 0;
}
