// The show with broken content: every picture and the song missing in turn, all missing,
// replaced by garbage, emptied, cut short.  A broken picture gives its loader's message, once
// and naming the file, and the show still runs through all six scenes to its end; a broken
// song leaves the show silent on the title until Escape; a missing sound device plays on in
// silence, and one lost mid-show leaves the show on time.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>

#include "show_run.h"
#include "support/test_paths.h"
#include "support/xm_songs.h"

namespace fs = std::filesystem;
using hardening::runShow;
using hardening::ShowOptions;
using hardening::ShowResult;

namespace {

enum class Fault { Missing, Garbage, Empty, Truncated };

const char* faultName(Fault f) {
    switch (f) {
        case Fault::Missing: return "missing";
        case Fault::Garbage: return "garbage";
        case Fault::Empty: return "empty";
        case Fault::Truncated: return "truncated";
    }
    return "?";
}

void writeBytes(const fs::path& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// A content folder: links to the built pictures, the fast song (or the built one), and
// one file broken as asked.
class ContentFolder {
public:
    explicit ContentFolder(const std::string& tag, bool realSong = false)
        : root(fs::temp_directory_path() / ("velastria_fault_" + std::to_string(::getpid()) + "_" + tag)) {
        fs::remove_all(root);
        fs::create_directories(root / "textures");
        fs::create_directories(root / "sound");
        const fs::path built = fs::path(testpaths::demoDir);
        for (const std::string& name : hardening::textureNames())
            fs::create_symlink(built / "textures" / name, root / "textures" / name);
        if (realSong)
            fs::create_symlink(built / "sound" / "velastr.xm", root / "sound" / "velastr.xm");
        else
            writeBytes(root / "sound" / "velastr.xm", hardening::fastShowSong());
    }
    ~ContentFolder() { fs::remove_all(root); }

    void breakFile(const std::string& relative, Fault fault) {
        const fs::path path = root / relative;
        const std::vector<std::uint8_t> original = xmtest::readFile(fs::canonical(path).string());
        fs::remove(path);
        switch (fault) {
            case Fault::Missing: break;
            case Fault::Empty: writeBytes(path, {}); break;
            case Fault::Truncated:
                writeBytes(path, std::vector<std::uint8_t>(original.begin(), original.begin() + original.size() / 2));
                break;
            case Fault::Garbage: {
                std::mt19937 random(static_cast<std::uint32_t>(original.size()));
                std::vector<std::uint8_t> noise(4096);
                for (auto& b : noise) b = static_cast<std::uint8_t>(random());
                writeBytes(path, noise);
                break;
            }
        }
    }
    std::string dir() const { return root.string(); }

private:
    fs::path root;
};

bool builtContentPresent() {
    return fs::exists(fs::path(testpaths::demoDir) / "sound" / "velastr.xm") &&
           fs::exists(fs::path(testpaths::demoDir) / "textures" / "black.bmp");
}

void expectFullShow(const ShowResult& r) {
    EXPECT_TRUE(r.songLoaded);
    EXPECT_TRUE(r.endedByScene) << "after " << r.frames << " frames, highest order " << r.highestOrder;
    EXPECT_EQ(r.scenes.size(), 6u);
}

}  // namespace

TEST(FaultMatrix, IntactContentRunsTheWholeChainWithoutMessages) {
    if (!builtContentPresent()) GTEST_SKIP() << "demo content not built";
    ContentFolder content("intact");
    const ShowResult r = runShow(content.dir());
    expectFullShow(r);
    EXPECT_TRUE(r.messages.empty());
    EXPECT_EQ(r.highestOrder, 28);  // the credits end the show in the pass that reads order 28
}

class PictureFault : public ::testing::TestWithParam<std::tuple<std::string, Fault>> {};

TEST_P(PictureFault, ShowsTheLoadersMessageOnceNamingTheFileAndRunsToTheEnd) {
    if (!builtContentPresent()) GTEST_SKIP() << "demo content not built";
    const auto& [file, fault] = GetParam();
    ContentFolder content(file + "_" + faultName(fault));
    content.breakFile("textures/" + file, fault);
    const ShowResult r = runShow(content.dir());
    expectFullShow(r);
    // However many scenes load the file, it is reported once, by name.
    ASSERT_EQ(r.messages.size(), 1u);
    const platform::Message& m = r.messages[0];
    const std::string named = " (textures\\" + file + ")";
    if (!file.ends_with(".bmp")) {
        EXPECT_EQ(m.text, "No se pudo abrir el JPG" + named);
        EXPECT_EQ(m.caption, "MARN");
        return;
    }
    EXPECT_EQ(m.caption, "Error");
    if (fault == Fault::Missing || fault == Fault::Empty)
        EXPECT_EQ(m.text, "Failed to open DIB file textures\\" + file + ".");
    else if (fault == Fault::Garbage)
        EXPECT_EQ(m.text, "Unknown DIB file format." + named);  // noise has no 12- or 40-byte header
    else
        EXPECT_EQ(m.text, "Image file conversion error." + named);  // the rows stop short
}

INSTANTIATE_TEST_SUITE_P(EveryPicture, PictureFault,
                         ::testing::Combine(::testing::ValuesIn(hardening::textureNames()),
                                            ::testing::Values(Fault::Missing, Fault::Garbage, Fault::Empty,
                                                              Fault::Truncated)),
                         [](const auto& info) {
                             std::string name = std::get<0>(info.param) + "_" + faultName(std::get<1>(info.param));
                             for (char& c : name)
                                 if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                             return name;
                         });

class SongFault : public ::testing::TestWithParam<Fault> {};

// The song is the built one here: a broken copy of what the demo really ships.
TEST_P(SongFault, ShowStaysSilentOnTheTitleUntilEscape) {
    if (!builtContentPresent()) GTEST_SKIP() << "demo content not built";
    ContentFolder content(std::string("song_") + faultName(GetParam()), true);
    content.breakFile("sound/velastr.xm", GetParam());
    ShowOptions options;
    options.escapeAfter = 300;  // 15 s of virtual time on the title
    const ShowResult r = runShow(content.dir(), options);
    if (GetParam() == Fault::Truncated && r.songLoaded) {
        // A song cut inside its sample data still loads (the missing tail is silence) and
        // plays; it must not end the show early.
        EXPECT_FALSE(r.endedByScene);
        EXPECT_EQ(r.frames, options.escapeAfter + 1);
        return;
    }
    EXPECT_FALSE(r.songLoaded);
    EXPECT_FALSE(r.endedByScene);
    EXPECT_EQ(r.frames, options.escapeAfter + 1);  // Escape ended the pass after it was pressed
    EXPECT_EQ(r.scenes.size(), 1u);                // the title and nothing after it
    EXPECT_EQ(r.highestOrder, 0);
    EXPECT_TRUE(r.messages.empty());
}

INSTANTIATE_TEST_SUITE_P(EveryFault, SongFault,
                         ::testing::Values(Fault::Missing, Fault::Garbage, Fault::Empty, Fault::Truncated),
                         [](const auto& info) { return std::string(faultName(info.param)); });

TEST(FaultMatrix, EveryPictureMissingStillRunsTheChain) {
    if (!builtContentPresent()) GTEST_SKIP() << "demo content not built";
    ContentFolder content("all_pictures");
    for (const std::string& name : hardening::textureNames()) content.breakFile("textures/" + name, Fault::Missing);
    const ShowResult r = runShow(content.dir());
    expectFullShow(r);
    // At most one box per scene built, and every picture named in exactly one of them, once.
    EXPECT_LE(r.messages.size(), 6u);
    for (const std::string& name : hardening::textureNames()) {
        int named = 0;
        for (const platform::Message& m : r.messages)
            for (std::size_t at = m.text.find("textures\\" + name); at != std::string::npos;
                 at = m.text.find("textures\\" + name, at + 1))
                ++named;
        EXPECT_EQ(named, 1) << name;
    }
}

TEST(FaultMatrix, EverythingMissingLeavesTheTitleUpUntilEscape) {
    if (!builtContentPresent()) GTEST_SKIP() << "demo content not built";
    ContentFolder content("all_missing");
    for (const std::string& name : hardening::textureNames()) content.breakFile("textures/" + name, Fault::Missing);
    content.breakFile("sound/velastr.xm", Fault::Missing);
    ShowOptions options;
    options.escapeAfter = 200;
    const ShowResult r = runShow(content.dir(), options);
    EXPECT_FALSE(r.songLoaded);
    EXPECT_EQ(r.frames, options.escapeAfter + 1);
    EXPECT_EQ(r.scenes.size(), 1u);
    // The title's three pictures, in one box.
    ASSERT_EQ(r.messages.size(), 1u);
    EXPECT_EQ(r.messages[0].text,
              "Failed to open DIB file textures\\tressoria.bmp.\nNo se pudo abrir el JPG (textures\\velastria.jpg)\n"
              "Failed to open DIB file textures\\black.bmp.");
}

TEST(FaultMatrix, WithoutADisplayTheMessageGoesToStandardError) {
    if (!builtContentPresent()) GTEST_SKIP() << "demo content not built";
    ContentFolder content("stderr");
    content.breakFile("textures/tressoria.bmp", Fault::Missing);
    content.breakFile("textures/velastria.jpg", Fault::Garbage);
    ShowOptions options;
    options.recordMessages = false;
    options.escapeAfter = 5;
    testing::internal::CaptureStderr();
    const ShowResult r = runShow(content.dir(), options);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(r.frames, 6);
    EXPECT_NE(err.find("Error: Failed to open DIB file textures\\tressoria.bmp.\n"), std::string::npos) << err;
    EXPECT_NE(err.find("\nNo se pudo abrir el JPG (textures\\velastria.jpg)\n"), std::string::npos) << err;
}

TEST(FaultMatrix, NoSoundDeviceRunsTheShowInSilence) {
    if (!builtContentPresent()) GTEST_SKIP() << "demo content not built";
    const char* old = std::getenv("SDL_AUDIODRIVER");
    const std::string saved = old ? old : "";
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    ContentFolder content("no_device");
    ShowOptions options;
    options.realDevice = true;
    testing::internal::CaptureStderr();
    const ShowResult r = runShow(content.dir(), options);
    const std::string err = testing::internal::GetCapturedStderr();
    if (old)
        setenv("SDL_AUDIODRIVER", saved.c_str(), 1);
    else
        unsetenv("SDL_AUDIODRIVER");
    EXPECT_TRUE(r.playing);
    EXPECT_NE(err.find("silence"), std::string::npos) << err;
    expectFullShow(r);
}

TEST(FaultMatrix, ADeviceThatStallsOrGoesAwayMidShowLeavesTheShowOnTime) {
    if (!builtContentPresent()) GTEST_SKIP() << "demo content not built";
    ContentFolder content("device_fault");
    const ShowResult intact = runShow(content.dir());
    for (const bool goesAway : {false, true}) {
        ShowOptions options;
        options.deviceFaultAt = intact.frames / 3;
        options.deviceGoesAway = goesAway;
        testing::internal::CaptureStderr();
        const ShowResult r = runShow(content.dir(), options);
        const std::string err = testing::internal::GetCapturedStderr();
        expectFullShow(r);
        // The silent clock takes over where the device was heard: the cues come on time.
        EXPECT_NEAR(r.frames, intact.frames, 1) << (goesAway ? "gone" : "stalled");
        EXPECT_EQ(err.find("playing on in silence"), err.rfind("playing on in silence")) << err;
        EXPECT_NE(err.find(goesAway ? "has gone away" : "has stopped playing"), std::string::npos) << err;
    }
}
