// The generators are the source of the demo's content, so they must produce the same bytes
// on every run: the demo folder from the build must equal fresh runs into other folders.
#include <gtest/gtest.h>

#include <filesystem>

#include "content_files.h"
#include "support/test_paths.h"

using namespace contenttest;

namespace {

void expectSameFiles(const std::string& a, const std::string& b, const std::string& sub) {
    std::size_t compared = 0;
    for (const auto& entry : std::filesystem::directory_iterator(a + "/" + sub)) {
        const std::string name = entry.path().filename().string();
        if (name[0] == '.') continue;
        SCOPED_TRACE(sub + "/" + name);
        const auto left = readFile(entry.path().string());
        const auto right = readFile(b + "/" + sub + "/" + name);
        EXPECT_FALSE(left.empty());
        EXPECT_TRUE(left == right);
        ++compared;
    }
    EXPECT_GT(compared, 0u);
}

}  // namespace

TEST(Generators, TexturesAreTheSameBytesOnEveryRun) {
    const std::string first = freshTempDir("tex1"), second = freshTempDir("tex2");
    ASSERT_TRUE(runTool("texgen", first));
    ASSERT_TRUE(runTool("texgen", second));
    expectSameFiles(first, second, "textures");
    expectSameFiles(first, testpaths::demoDir, "textures");
    std::filesystem::remove_all(first);
    std::filesystem::remove_all(second);
}

TEST(Generators, SongIsTheSameBytesOnEveryRun) {
    const std::string first = freshTempDir("song1"), second = freshTempDir("song2");
    ASSERT_TRUE(runTool("songgen", first));
    ASSERT_TRUE(runTool("songgen", second));
    expectSameFiles(first, second, "sound");
    expectSameFiles(first, testpaths::demoDir, "sound");
    std::filesystem::remove_all(first);
    std::filesystem::remove_all(second);
}

TEST(Generators, RefuseAMissingOrUnwritableFolder) {
    EXPECT_FALSE(runTool("texgen", "2>/dev/null"));
    EXPECT_FALSE(runTool("songgen", "2>/dev/null"));
    EXPECT_FALSE(runTool("songgen", "/proc/velastria-cannot-write 2>/dev/null"));
    EXPECT_FALSE(runTool("texgen", "/proc/velastria-cannot-write 2>/dev/null"));
}
