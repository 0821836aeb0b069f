// The whole show on virtual time at 10 frames a second, on the generated demo content: one
// capture run, then every check of the chain, the fades and the cue-driven effects reads its
// log and per-frame statistics.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "capture/capture_run.h"

namespace capturetest {
namespace {

struct SceneSpan {
    std::string scene;
    int firstOrder, lastOrder;  // the orders it draws in
    bool faded;                 // starts black under its fade cube
};

// The chain in play order with the orders each scene runs in.
const std::vector<SceneSpan> chain = {
    {"TitleScene", 0, 1, true},       {"LandscapeScene", 2, 6, true},   {"StarfieldScene", 7, 10, true},
    {"GlassCubeScene", 11, 14, false}, {"SpirographScene", 15, 18, true}, {"CreditsScene", 19, 28, false},
};

struct Frame {
    LogLine log;
    StatsLine stats;
};

// The one capture run every check reads.
struct Show {
    RunResult run;
    std::vector<Frame> frames;
    std::size_t logLines = 0, statsLines = 0;
};
const Show* show = nullptr;

// Indices of the frames each scene drew (hand-over passes excluded), by class name.
std::map<std::string, std::vector<std::size_t>> drawnByScene() {
    std::map<std::string, std::vector<std::size_t>> by;
    for (std::size_t i = 0; i < show->frames.size(); ++i)
        if (show->frames[i].stats.swaps == 1) by[show->frames[i].log.scene].push_back(i);
    return by;
}

void RunsToTheFinalCueAndEndsOnTheFirstFrameOfOrder28() {
    ASSERT_GT(show->frames.size(), 1000u);
    EXPECT_EQ(show->logLines, show->statsLines);
    for (std::size_t i = 0; i < show->frames.size(); ++i) {
        const Frame& f = show->frames[i];
        ASSERT_EQ(f.log.frame, i) << "every frame is logged, in order";
        ASSERT_EQ(f.stats.frame, i);
        ASSERT_EQ(f.log.ms, static_cast<std::uint32_t>(i * 100)) << "10 frames a second on the virtual clock";
        if (i + 1 < show->frames.size()) {
            ASSERT_NE(f.log.order, 28) << "frame " << i << " already heard order 28";
        }
    }
    const Frame& last = show->frames.back();
    EXPECT_EQ(last.log.order, 28);
    EXPECT_EQ(last.log.scene, "CreditsScene");
    EXPECT_EQ(last.stats.swaps, 1) << "the last frame still draws and swaps";
}

void ScenesFollowTheChainInTheirOrderRanges() {
    std::vector<std::string> sequence;
    for (const Frame& f : show->frames)
        if (sequence.empty() || sequence.back() != f.log.scene) sequence.push_back(f.log.scene);
    std::vector<std::string> expected;
    for (const auto& s : chain) expected.push_back(s.scene);
    ASSERT_EQ(sequence, expected);

    for (const auto& span : chain) {
        std::set<int> orders;
        for (const Frame& f : show->frames)
            if (f.log.scene == span.scene && f.stats.swaps == 1) orders.insert(f.log.order);
        std::set<int> wanted;
        for (int o = span.firstOrder; o <= span.lastOrder; ++o) wanted.insert(o);
        EXPECT_EQ(orders, wanted) << span.scene << " draws in exactly its orders";
    }
}

void EveryHandOverDrawsNothingAndTheSuccessorDrawsOnTheNextPass() {
    int handOvers = 0;
    for (std::size_t i = 0; i < show->frames.size(); ++i) {
        const Frame& f = show->frames[i];
        ASSERT_LE(f.stats.swaps, 1) << "frame " << i;
        if (f.stats.swaps == 1) continue;
        ++handOvers;
        ASSERT_LT(i + 1, show->frames.size());
        const Frame& next = show->frames[i + 1];
        EXPECT_GT(i, 0u);
        EXPECT_EQ(f.log.scene, show->frames[i - 1].log.scene) << "the hand-over pass belongs to the old scene";
        EXPECT_NE(next.log.scene, f.log.scene) << "frame " << i + 1 << " is the successor's first";
        EXPECT_EQ(next.stats.swaps, 1) << "the successor draws on its first pass";
        EXPECT_EQ(f.stats.change, 0.0) << "nothing new is shown on a hand-over pass";
    }
    EXPECT_EQ(handOvers, 5);
}

void FadedScenesStartDarkenedAndNoSceneIsDarkInItsMiddle() {
    const auto by = drawnByScene();
    // The show's very first picture is drawn at alpha 1 (no time has passed yet): black.
    EXPECT_LT(show->frames[0].stats.brightness, 0.5);
    for (const auto& span : chain) {
        SCOPED_TRACE(span.scene);
        const auto it = by.find(span.scene);
        ASSERT_NE(it, by.end());
        const std::vector<std::size_t>& drawn = it->second;
        // A frame in mid-pattern of each of its orders (row 24 is clear of every fade rule and
        // of the spirograph's clearing at row 0) is not dark.
        std::vector<const Frame*> midPattern;
        for (int o = span.firstOrder; o <= std::min(span.lastOrder, 27); ++o) {
            const Frame* found = nullptr;
            for (std::size_t i : drawn)
                if (show->frames[i].log.order == o && show->frames[i].log.row == 24) {
                    found = &show->frames[i];
                    break;
                }
            ASSERT_NE(found, nullptr) << "order " << o << " row 24";
            EXPECT_GT(found->stats.brightness, 3.0) << "order " << o << " row 24, frame " << found->log.frame;
            midPattern.push_back(found);
        }
        // After one 0.1 s frame the alpha is still 0.8 (2 a second) or 0.975 (0.25 a second).
        const Frame& first = show->frames[drawn.front()];
        if (span.faded) {
            EXPECT_LT(first.stats.brightness, 0.25 * midPattern.front()->stats.brightness) << "frame " << first.log.frame;
        }
    }
}

void TitleAndLandscapeFadeInAsTheirAlphaSays() {
    // Both scenes lower the alpha by 2 a second over rows 0 to 3 of their first order (from 1
    // at their first frame) and clear it at row 4.  The black cube leaves (1 - alpha) of the
    // picture; both pictures change slowly, so the first clear frame is the reference.
    const auto by = drawnByScene();
    for (const char* scene : {"TitleScene", "LandscapeScene"}) {
        SCOPED_TRACE(scene);
        const auto& drawn = by.at(scene);
        const int order = show->frames[drawn.front()].log.order;
        double reference = -1;
        for (std::size_t i : drawn)
            if (show->frames[i].log.order == order && show->frames[i].log.row >= 4) {
                reference = show->frames[i].stats.brightness;
                break;
            }
        ASSERT_GT(reference, 8.0);
        double alpha = 1.0;
        int checked = 0;
        for (std::size_t i : drawn) {
            const Frame& f = show->frames[i];
            if (f.log.order != order || f.log.row >= 4) break;
            // The frame's delta: the clock moved since the previous pass (a hand-over pass ticks too).
            const double dt = i == 0 ? 0.0 : (show->frames[i].log.ms - show->frames[i - 1].log.ms) / 1000.0;
            alpha -= 2.0 * dt;
            EXPECT_NEAR(f.stats.brightness / reference, 1.0 - std::max(0.0, alpha), 0.05) << "frame " << f.log.frame;
            ++checked;
        }
        EXPECT_GE(checked, 4);
    }
}

void LandscapeFlashesToWireframeOnRows16kAnd16kPlus1OfOrders5And6() {
    // The wireframe terrain without its sky lets the black background through: every frame of
    // a flash row is darker than every normal frame of the same order (fades aside).
    const auto by = drawnByScene();
    const auto& landscape = by.at("LandscapeScene");
    for (int order = 2; order <= 6; ++order) {
        SCOPED_TRACE(order);
        double darkestNormal = 1e9, brightestFlash = -1;
        int flashes = 0;
        for (std::size_t i : landscape) {
            const Frame& f = show->frames[i];
            if (f.log.order != order || f.log.row < 4 || f.log.row >= 60) continue;
            if (order >= 5 && f.log.row % 16 < 2) {
                brightestFlash = std::max(brightestFlash, f.stats.brightness);
                ++flashes;
            } else {
                darkestNormal = std::min(darkestNormal, f.stats.brightness);
            }
        }
        if (order < 5) {
            EXPECT_EQ(flashes, 0);
            continue;
        }
        EXPECT_GE(flashes, 6) << "rows 16, 17, 32, 33, 48 and 49";
        EXPECT_LT(brightestFlash, 0.8 * darkestNormal);
    }
}

void GlassCubeSpinReversesOnceAtRow0OfOrders12To14() {
    const auto by = drawnByScene();
    const auto& cube = by.at("GlassCubeScene");
    // The spin velocity is (25, 35, -30) degrees a second or its negation: its sign shows in
    // how the root's rotation moves from one frame to the next.
    std::vector<std::pair<int, int>> reversals;  // (order, row) where the direction flipped
    int previousSign = 0;
    for (std::size_t k = 1; k < cube.size(); ++k) {
        const Frame& prev = show->frames[cube[k - 1]];
        const Frame& f = show->frames[cube[k]];
        double along = 0;
        const double velocity[3] = {25, 35, -30};
        for (int a = 0; a < 3; ++a) {
            double d = std::fmod(f.stats.rootRotation[a] - prev.stats.rootRotation[a] + 540.0, 360.0) - 180.0;
            along += d * velocity[a];
        }
        if (along == 0) continue;
        const int sign = along > 0 ? 1 : -1;
        if (previousSign != 0 && sign != previousSign) reversals.emplace_back(f.log.order, f.log.row);
        if (previousSign == 0) {
            EXPECT_EQ(sign, 1) << "order 11 spins forwards";
        }
        previousSign = sign;
    }
    const std::vector<std::pair<int, int>> expected = {{12, 0}, {13, 0}, {14, 0}};
    EXPECT_EQ(reversals, expected);
}

void CreditsSpawnOneLinePerRowMultipleOf7UpTo53() {
    int previousCount = 0;
    bool armed = false;  // a row with remainder 1 was seen since the last spawn
    int spawns = 0;
    const Frame* previous = nullptr;
    for (const Frame& f : show->frames) {
        if (f.log.scene != "CreditsScene" || f.stats.swaps != 1) continue;
        const int added = f.stats.textNodes - previousCount;
        ASSERT_GE(added, 0);
        ASSERT_LE(added, 1) << "frame " << f.log.frame;
        if (added == 1) {
            EXPECT_EQ(f.log.row % 7, 0) << "frame " << f.log.frame;
            if (previous) {
                EXPECT_FALSE(previous->log.row == f.log.row && previous->log.order == f.log.order)
                    << "one line per row, not per frame: frame " << f.log.frame;
            }
            if (spawns > 0) {
                EXPECT_TRUE(armed) << "a row with remainder 1 lies between two spawns";
            }
            armed = false;
            ++spawns;
        }
        if (f.log.row % 7 == 1) armed = true;
        previousCount = f.stats.textNodes;
        previous = &f;
    }
    EXPECT_EQ(spawns, 53) << "the credits run long enough to show every line once";
    EXPECT_EQ(previousCount, 53);
}

// One run of the whole show (about a minute and a half here), all checks on it.
TEST(WholeShow, AtTenFramesASecond) {
    TempDir dir;
    Show result;
    result.run = runCapture({"--fps", "10", "--data", demoDir(), "--log", dir / "log.txt", "--stats", dir / "stats.txt",
                             "--quiet"});
    ASSERT_EQ(result.run.exitCode, 0) << result.run.errorText;
    const auto log = readLog(dir / "log.txt");
    const auto stats = readStats(dir / "stats.txt");
    for (std::size_t i = 0; i < std::min(log.size(), stats.size()); ++i) result.frames.push_back({log[i], stats[i]});
    result.logLines = log.size();
    result.statsLines = stats.size();
    show = &result;
    {
        SCOPED_TRACE("RunsToTheFinalCueAndEndsOnTheFirstFrameOfOrder28");
        RunsToTheFinalCueAndEndsOnTheFirstFrameOfOrder28();
    }
    {
        SCOPED_TRACE("ScenesFollowTheChainInTheirOrderRanges");
        ScenesFollowTheChainInTheirOrderRanges();
    }
    {
        SCOPED_TRACE("EveryHandOverDrawsNothingAndTheSuccessorDrawsOnTheNextPass");
        EveryHandOverDrawsNothingAndTheSuccessorDrawsOnTheNextPass();
    }
    {
        SCOPED_TRACE("FadedScenesStartDarkenedAndNoSceneIsDarkInItsMiddle");
        FadedScenesStartDarkenedAndNoSceneIsDarkInItsMiddle();
    }
    {
        SCOPED_TRACE("TitleAndLandscapeFadeInAsTheirAlphaSays");
        TitleAndLandscapeFadeInAsTheirAlphaSays();
    }
    {
        SCOPED_TRACE("LandscapeFlashesToWireframeOnRows16kAnd16kPlus1OfOrders5And6");
        LandscapeFlashesToWireframeOnRows16kAnd16kPlus1OfOrders5And6();
    }
    {
        SCOPED_TRACE("GlassCubeSpinReversesOnceAtRow0OfOrders12To14");
        GlassCubeSpinReversesOnceAtRow0OfOrders12To14();
    }
    {
        SCOPED_TRACE("CreditsSpawnOneLinePerRowMultipleOf7UpTo53");
        CreditsSpawnOneLinePerRowMultipleOf7UpTo53();
    }
    show = nullptr;
}

}  // namespace
}  // namespace capturetest
