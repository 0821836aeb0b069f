#include <string>
#include <typeinfo>
#include <vector>

#include "scenes/credits_scene.h"
#include "scenes/first_scene.h"
#include "scenes/glass_cube_scene.h"
#include "scenes/landscape_scene.h"
#include "scenes/spirograph_scene.h"
#include "scenes/starfield_scene.h"
#include "scenes/title_scene.h"
#include "scene_fixture.h"

namespace {

using SceneChainTest = SceneTest;

std::string kind(const Scene* s) {
    if (dynamic_cast<const TitleScene*>(s)) return "title";
    if (dynamic_cast<const LandscapeScene*>(s)) return "landscape";
    if (dynamic_cast<const StarfieldScene*>(s)) return "starfield";
    if (dynamic_cast<const GlassCubeScene*>(s)) return "glass";
    if (dynamic_cast<const SpirographScene*>(s)) return "spirograph";
    if (dynamic_cast<const CreditsScene*>(s)) return "credits";
    return s == nullptr ? "none" : "other";
}

// The successor a scene built in its enter, and whether that successor is still unbuilt.
struct Successor {
    Scene* scene;
    bool unbuilt;
};
Successor successorOf(Scene* s) {
    if (auto* t = dynamic_cast<TitleScene*>(s)) return {t->next, t->next && t->next->camera == nullptr};
    if (auto* l = dynamic_cast<LandscapeScene*>(s)) return {l->next, l->next && l->next->camera == nullptr};
    if (auto* f = dynamic_cast<StarfieldScene*>(s)) return {f->next, f->next && f->next->camera == nullptr};
    if (auto* g = dynamic_cast<GlassCubeScene*>(s)) return {g->next, g->next && g->next->camera == nullptr};
    if (auto* p = dynamic_cast<SpirographScene*>(s)) return {p->next, p->next && p->next->camera == nullptr};
    return {nullptr, true};
}

TEST(FirstScene, IsTheTitleSceneAndOnlyConstructed) {
    ScopedDemo demo;
    Scene* first = makeFirstScene();
    ASSERT_EQ(kind(first), "title");
    auto* title = static_cast<TitleScene*>(first);
    EXPECT_EQ(title->next, nullptr);  // nothing is built before its enter
    EXPECT_EQ(title->camera, nullptr);
    EXPECT_EQ(title->world, demo->world.get());
    EXPECT_TRUE(demo->world->root->children.empty());
}

TEST(PositionSource, AnswersForTheSongUntilClearedThenTheSongAnswersAgain) {
    MusicPlayer player;
    player.setPositionSource([] { return SongPosition{17, 33, 5}; });
    const SongPosition scripted = player.position();
    EXPECT_EQ(scripted.order, 17);
    EXPECT_EQ(scripted.row, 33);
    player.setPositionSource(nullptr);
    const SongPosition song = player.position();  // nothing loaded: the start of the song
    EXPECT_EQ(song.order, 0);
    EXPECT_EQ(song.row, 0);
    EXPECT_EQ(song.timeMs, 0);
}

// The whole cue table, a few frames per row, from the program's first scene to the end.
TEST_F(SceneChainTest, RunsTheSixScenesInTheirOrdersAndEndsAtOrderTwentyEight) {
    demo->setPendingScene(makeFirstScene());
    std::vector<std::string> seen;
    std::vector<std::string> problems;
    bool running = true;
    std::int32_t endedAt = -1;
    for (std::int32_t o = 0; o <= 29 && running; ++o) {
        for (std::int32_t r = 0; r < 64 && running; r += 3) {
            Scene* before = demo->currentScene;
            running = step(o, r);
            if (!running) {
                endedAt = o;
                break;
            }
            if (demo->currentScene != before) {
                seen.push_back(kind(demo->currentScene) + "@" + std::to_string(o));
                const Successor next = successorOf(demo->currentScene);
                if (kind(demo->currentScene) != "credits" && (next.scene == nullptr || !next.unbuilt))
                    problems.push_back(kind(demo->currentScene) + " did not build an unentered successor");
                // Every scene draws on the camera it set up in its enter.
                if (demo->world->camera() == nullptr) problems.push_back(kind(demo->currentScene) + " has no camera");
            }
        }
    }
    const std::vector<std::string> expected = {"title@0",  "landscape@2",  "starfield@7",
                                               "glass@11", "spirograph@15", "credits@19"};
    EXPECT_EQ(seen, expected);
    EXPECT_TRUE(problems.empty()) << problems.front();
    EXPECT_EQ(endedAt, 28);
    // The credits enter on the pass after the spirograph saw order 19 (row 3 here): rows 21,
    // 42, 63 of every order from 19 to 27, as row 0 right after row 63 spawns nothing.
    auto* credits = dynamic_cast<CreditsScene*>(demo->currentScene);
    ASSERT_NE(credits, nullptr);
    EXPECT_EQ(credits->nextLine, 9 * 3);
}

// Started from a folder without the textures: every scene still builds, runs and hands
// over; the missing files are reported, never fatal.
TEST_F(SceneChainTest, RunsToTheEndWithoutItsTexturesReportingEachMissingFile) {
    missingFilesExpected = true;
    const auto scratch = std::filesystem::temp_directory_path() / ("scenes_no_textures_" + std::to_string(::getpid()));
    std::filesystem::create_directories(scratch);
    std::filesystem::current_path(scratch);

    demo->setPendingScene(makeFirstScene());
    std::vector<std::string> seen;
    bool running = true;
    for (std::int32_t o = 0; o <= 28 && running; ++o) {
        for (std::int32_t r : {0, 10, 0}) {
            Scene* before = demo->currentScene;
            running = step(o, r);
            if (!running) break;
            if (demo->currentScene != before) seen.push_back(kind(demo->currentScene));
        }
    }
    EXPECT_FALSE(running);
    EXPECT_EQ(seen.size(), 6u);
    EXPECT_FALSE(messages.messages.empty());
    std::filesystem::current_path(previousDir);
    std::filesystem::remove_all(scratch);
}

}  // namespace
