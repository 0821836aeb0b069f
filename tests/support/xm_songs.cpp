#include "support/xm_songs.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "support/test_paths.h"

namespace xmtest {

ModulePtr load(const std::vector<std::uint8_t>& bytes) {
    return ModulePtr(loadModuleFromMemory(bytes.data(), bytes.size()));
}

ModulePtr load(const XmSong& song) { return load(writeXm(song)); }

XmSample flatSample(std::size_t length, std::int16_t value, bool sixteenBit) {
    XmSample s;
    s.sixteenBit = sixteenBit;
    s.data.assign(length, value);
    return s;
}

XmInstrument instrumentWith(XmSample sample) {
    XmInstrument ins;
    ins.samples.push_back(std::move(sample));
    return ins;
}

XmSong songFromText(int channels, const std::vector<std::string>& patterns) {
    XmSong song;
    song.channels = static_cast<std::uint16_t>(channels);
    for (std::size_t i = 0; i < patterns.size(); ++i) {
        auto p = parseXmPattern(patterns[i], channels);
        if (!p) throw std::runtime_error("bad pattern text: " + patterns[i]);
        song.patterns.push_back(*p);
        song.orders.push_back(static_cast<std::uint8_t>(i));
    }
    XmSample s = flatSample(1000, 1000);
    s.loop = XmLoop::Forward;
    s.loopStart = 0;
    s.loopLength = 1000;
    song.instruments.push_back(instrumentWith(s));
    return song;
}

std::vector<std::uint8_t> readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

std::vector<std::string> sharedSongs() {
    std::vector<std::string> out;
    for (const auto& e : std::filesystem::directory_iterator(testpaths::sharedXm))
        if (e.path().extension() == ".xm") out.push_back(e.path().string());
    std::sort(out.begin(), out.end());
    return out;
}

}  // namespace xmtest

namespace xmtest {

std::string patternText(int channels, int rows, const std::vector<std::pair<int, std::string>>& lines) {
    std::string empty;
    for (int k = 0; k < channels; ++k) empty += "... .. .. ... ";
    std::string out;
    for (int r = 0; r < rows; ++r) {
        std::string line = empty;
        for (const auto& [row, text] : lines)
            if (row == r) line = text;
        out += line + "\n";
    }
    return out;
}

}  // namespace xmtest
