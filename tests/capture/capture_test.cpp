// The capture tool on short stretches of the show: same bytes every run, the sound exactly as
// the device consumed the ring, pictures that match what was measured, and clean refusals.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "capture/capture_run.h"
#include "common/png.h"
#include "support/test_paths.h"

namespace capturetest {
namespace {

constexpr std::size_t wavHeader = 44;

std::string frameName(std::uint64_t frame) {
    char name[32];
    std::snprintf(name, sizeof name, "frame_%06llu.png", static_cast<unsigned long long>(frame));
    return name;
}

std::uint32_t le32(const std::vector<std::uint8_t>& b, std::size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}

TEST(Capture, TwoRunsOfAStretchGiveTheSameBytes) {
    // Orders 1 and 2: the title card, the hand-over and the landscape's first pattern.
    TempDir a, b;
    for (const TempDir* d : {&a, &b}) {
        const RunResult r = runCapture({"--fps", "10", "--data", demoDir(), "--from-order", "1", "--to-order", "2",
                                        "--frames", *d / "frames", "--wav", *d / "out.wav", "--log", *d / "log.txt",
                                        "--quiet"});
        ASSERT_EQ(r.exitCode, 0) << r.errorText;
    }
    const auto log = readLog(a / "log.txt");
    ASSERT_GT(log.size(), 100u);
    EXPECT_EQ(log.front().order, 1);
    EXPECT_EQ(log.back().order, 2);
    for (const auto& line : log) {
        const auto bytesA = fileBytes(a / "frames/" + frameName(line.frame));
        ASSERT_FALSE(bytesA.empty()) << frameName(line.frame);
        ASSERT_EQ(bytesA, fileBytes(b / "frames/" + frameName(line.frame))) << frameName(line.frame);
    }
    const auto wavA = fileBytes(a / "out.wav");
    EXPECT_GT(wavA.size(), wavHeader + 44100u * 4);
    EXPECT_EQ(wavA, fileBytes(b / "out.wav"));
}

TEST(Capture, SoundIsTheRingAsTheDevicePlayedIt) {
    // 7 frames a second: frame times fall between milliseconds and between blocks.
    TempDir d;
    const RunResult r = runCapture({"--fps", "7", "--data", demoDir(), "--to-order", "0", "--wav", d / "show.wav",
                                    "--log", d / "log.txt", "--quiet"});
    ASSERT_EQ(r.exitCode, 0) << r.errorText;
    const auto log = readLog(d / "log.txt");
    ASSERT_FALSE(log.empty());
    const auto wav = fileBytes(d / "show.wav");
    ASSERT_GT(wav.size(), wavHeader);
    EXPECT_EQ(std::memcmp(wav.data(), "RIFF", 4), 0);
    EXPECT_EQ(le32(wav, 24), 44100u);
    const std::uint32_t dataBytes = le32(wav, 40);
    ASSERT_EQ(dataBytes, wav.size() - wavHeader);
    // The sound covers the pictures' time on screen exactly: up to the end of the last frame.
    const std::uint64_t frames = log.back().frame + 1;
    EXPECT_EQ(dataBytes / 4, frames * 44100 / 7);

    // The offline renderer goes through the same block mixer from the same start.
    const std::uint32_t blocks = dataBytes / 4 / 884;
    const std::string reference = d / "reference.wav";
    const std::string command = std::string(testpaths::toolsDir) + "/xmrender --blocks " + std::to_string(blocks) +
                                " -o " + reference + " " + demoDir() + "/sound/velastr.xm >/dev/null 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0);
    const auto expected = fileBytes(reference);
    ASSERT_EQ(expected.size(), wavHeader + blocks * 884u * 4);
    EXPECT_TRUE(std::equal(expected.begin() + wavHeader, expected.end(), wav.begin() + wavHeader))
        << "the captured sound differs from the offline rendering within its first " << blocks << " blocks";
}

TEST(Capture, AStretchKeepsTheSoundOfItsOwnTime) {
    TempDir d;
    const RunResult whole = runCapture({"--fps", "10", "--data", demoDir(), "--to-order", "1", "--wav", d / "whole.wav",
                                        "--quiet"});
    ASSERT_EQ(whole.exitCode, 0) << whole.errorText;
    const RunResult part = runCapture({"--fps", "10", "--data", demoDir(), "--from-order", "1", "--to-order", "1",
                                       "--wav", d / "part.wav", "--log", d / "log.txt", "--quiet"});
    ASSERT_EQ(part.exitCode, 0) << part.errorText;
    const auto log = readLog(d / "log.txt");
    ASSERT_FALSE(log.empty());
    const auto a = fileBytes(d / "whole.wav");
    const auto b = fileBytes(d / "part.wav");
    const std::size_t offset = log.front().frame * 4410 * 4;  // 4410 audio frames per picture at 10 fps
    ASSERT_GT(b.size(), wavHeader);
    ASSERT_EQ(a.size() - wavHeader, offset + (b.size() - wavHeader)) << "both end with the last frame of order 1";
    EXPECT_TRUE(std::equal(b.begin() + wavHeader, b.end(), a.begin() + static_cast<long>(wavHeader + offset)));
}

TEST(Capture, FramesAreThePicturesMeasuredAndAHandOverRepeatsTheLastOne) {
    TempDir d;
    const RunResult r = runCapture({"--fps", "10", "--data", demoDir(), "--from-order", "1", "--to-order", "2",
                                    "--frames", d / "frames", "--stats", d / "stats.txt", "--log", d / "log.txt",
                                    "--quiet"});
    ASSERT_EQ(r.exitCode, 0) << r.errorText;
    const auto stats = readStats(d / "stats.txt");
    const auto log = readLog(d / "log.txt");
    ASSERT_EQ(stats.size(), log.size());
    int handOvers = 0;
    toolfiles::PngImage previous;
    for (std::size_t i = 0; i < stats.size(); ++i) {
        toolfiles::PngImage img;
        ASSERT_TRUE(toolfiles::readPng(d / "frames/" + frameName(stats[i].frame), img)) << stats[i].frame;
        ASSERT_EQ(img.width, 640);
        ASSERT_EQ(img.height, 480);
        double sum = 0;
        for (std::uint8_t v : img.rgb) sum += v;
        EXPECT_NEAR(sum / static_cast<double>(img.rgb.size()), stats[i].brightness, 0.001) << stats[i].frame;
        if (stats[i].swaps == 0) {
            ++handOvers;
            ASSERT_GT(i, 0u);
            EXPECT_EQ(img.rgb, previous.rgb) << "a pass without a swap leaves the last picture on screen";
            EXPECT_EQ(log[i].scene, "TitleScene");
            EXPECT_EQ(log[i].order, 2);
            EXPECT_EQ(log[i + 1].scene, "LandscapeScene");
        }
        previous = std::move(img);
    }
    EXPECT_EQ(handOvers, 1);
    // A frame in mid-pattern is a real picture, not a cleared screen.
    std::uint64_t midFrame = 0;
    for (const auto& line : log)
        if (line.order == 2 && line.row == 24) midFrame = line.frame;
    toolfiles::PngImage mid;
    ASSERT_TRUE(toolfiles::readPng(d / "frames/" + frameName(midFrame), mid));
    std::set<std::uint32_t> colours;
    for (std::size_t p = 0; p < mid.rgb.size(); p += 3 * 97)
        colours.insert(mid.rgb[p] << 16 | mid.rgb[p + 1] << 8 | mid.rgb[p + 2]);
    EXPECT_GT(colours.size(), 100u);
}

TEST(Capture, WithoutFfmpegVideoIsRefusedClearly) {
    TempDir d;  // an empty PATH folder: no ffmpeg anywhere
    const RunResult r =
        runCapture({"--data", demoDir(), "--video", d / "show.mkv"}, {"PATH=" + d.path()});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.errorText.find("ffmpeg"), std::string::npos) << r.errorText;
    EXPECT_NE(r.errorText.find("not installed"), std::string::npos) << r.errorText;
    EXPECT_FALSE(std::filesystem::exists(d / "show.mkv"));
}

TEST(Capture, VideoPipesEveryPictureToFfmpegThenJoinsTheSound) {
    // A stand-in ffmpeg that keeps what it is given: its arguments, and the raw pictures.
    TempDir d;
    const std::string fake = d / "ffmpeg";
    {
        std::ofstream s(fake);
        s << "#!/bin/sh\n"
             "echo \"$*\" >> '" << d.path() << "/calls.txt'\n"
             "for last; do :; done\n"
             "case \"$*\" in *rawvideo*) cat > '" << d.path() << "/raw.rgb'; : > \"$last\";;\n"
             "*) cp \"$5\" '" << d.path() << "/joined_video'; cp \"$7\" '" << d.path() << "/joined.wav'; : > \"$last\";; esac\n";
    }
    ASSERT_EQ(chmod(fake.c_str(), 0755), 0);
    const RunResult r = runCapture({"--fps", "10", "--data", demoDir(), "--to-order", "0", "--video", d / "show.mkv",
                                    "--log", d / "log.txt", "--wav", d / "show.wav", "--quiet"},
                                   {"PATH=" + d.path() + ":/usr/bin:/bin"});
    ASSERT_EQ(r.exitCode, 0) << r.errorText;
    const auto log = readLog(d / "log.txt");
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(std::filesystem::file_size(d / "raw.rgb"), log.size() * 640 * 480 * 3);
    std::ifstream calls(d / "calls.txt");
    std::string first, second;
    std::getline(calls, first);
    std::getline(calls, second);
    EXPECT_NE(first.find("-pix_fmt rgb24 -s 640x480 -r 10 -i -"), std::string::npos) << first;
    EXPECT_NE(second.find(d / "show.mkv"), std::string::npos) << second;
    EXPECT_TRUE(std::filesystem::exists(d / "show.mkv"));
    // The sound handed over for joining is the same as the --wav file; the parts are cleaned up.
    EXPECT_EQ(fileBytes(d / "joined.wav"), fileBytes(d / "show.wav"));
    EXPECT_FALSE(std::filesystem::exists(d / "show.mkv.part.mkv"));
    EXPECT_FALSE(std::filesystem::exists(d / "show.mkv.part.wav"));
}

TEST(Capture, RefusesBadArgumentsAndMissingContent) {
    EXPECT_EQ(runCapture({"--fps", "0"}).exitCode, 2);
    EXPECT_EQ(runCapture({"--fps", "ten"}).exitCode, 2);
    EXPECT_EQ(runCapture({"--from-order", "5", "--to-order", "4"}).exitCode, 2);
    EXPECT_EQ(runCapture({"--bogus"}).exitCode, 2);
    EXPECT_EQ(runCapture({"--log"}).exitCode, 2);

    TempDir d;
    const RunResult missing = runCapture({"--data", d / "nowhere"});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_NE(missing.errorText.find("nowhere"), std::string::npos) << missing.errorText;

    // A folder without the song: the show would have no cues, so nothing is captured.
    const RunResult silent = runCapture({"--data", d.path(), "--log", d / "log.txt", "--quiet"});
    EXPECT_EQ(silent.exitCode, 1);
    EXPECT_NE(silent.errorText.find("velastr.xm"), std::string::npos) << silent.errorText;
    EXPECT_EQ(std::filesystem::file_size(d / "log.txt"), 0u);

    // A song that is not a module at all is refused the same way, without a crash.
    std::filesystem::create_directories(d / "broken/sound");
    std::ofstream(d / "broken/sound/velastr.xm") << "Extended Module: but nothing after";
    const RunResult broken = runCapture({"--data", d / "broken", "--quiet"});
    EXPECT_EQ(broken.exitCode, 1);
    EXPECT_NE(broken.errorText.find("velastr.xm"), std::string::npos) << broken.errorText;
}

}  // namespace
}  // namespace capturetest
