#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <vector>

#include "app/timer.h"
#include "geometry/particles.h"

namespace {

Timer timerWith(float delta) {
    Timer t;
    t.delta = delta;
    return t;
}

Particle particle(float x, float life, Vec3 velocity = Vec3()) {
    Particle p;
    p.position = Vec3(x, 0, 0);
    p.velocity = velocity;
    p.life = life;
    return p;
}

// The next n values of rand() from `seed`, after which the generator is reseeded so the
// code under test sees the same sequence.
std::vector<int> randsFrom(unsigned seed, int n) {
    std::srand(seed);
    std::vector<int> v;
    for (int i = 0; i < n; ++i) v.push_back(std::rand());
    std::srand(seed);
    return v;
}

float jitterOf(int r) { return static_cast<float>(r % 2000 - 1000) * 0.001f; }

TEST(ParticleSystem, SpawnFillsTheFirstFreeSlotAndDropsWhenFull) {
    ParticleSystem system(3, new ParticleRenderer(nullptr, 1.0f, false));
    system.spawn(particle(1, 5));
    system.spawn(particle(2, 0.05f));
    system.spawn(particle(3, 5));
    EXPECT_EQ(system.liveCount, 3);
    system.spawn(particle(4, 5));  // full: dropped
    EXPECT_EQ(system.liveCount, 3);
    for (int i = 0; i < 3; ++i) EXPECT_FLOAT_EQ(system.particles[static_cast<std::size_t>(i)].position.x, i + 1.0f);

    // The short-lived middle particle dies; the next spawn takes its slot, not the end.
    Timer t = timerWith(0.1f);
    system.update(&t);
    EXPECT_EQ(system.liveCount, 2);
    system.spawn(particle(5, 5));
    EXPECT_EQ(system.liveCount, 3);
    EXPECT_FLOAT_EQ(system.particles[1].position.x, 5.0f);
    EXPECT_FLOAT_EQ(system.particles[1].life, 5.0f);
}

TEST(ParticleSystem, ParticleBornWithoutLifeIsNotStored) {
    ParticleSystem system(2, new ParticleRenderer(nullptr, 1.0f, false));
    system.spawn(particle(1, 0.0f));
    system.spawn(particle(2, -0.5f));
    EXPECT_EQ(system.liveCount, 0);
    system.spawn(particle(3, 1.0f));
    system.spawn(particle(4, 1.0f));
    EXPECT_EQ(system.liveCount, 2);
    EXPECT_FLOAT_EQ(system.particles[0].position.x, 3.0f);
    EXPECT_FLOAT_EQ(system.particles[1].position.x, 4.0f);
}

TEST(ParticleSystem, ForcesAgeingAndDeath) {
    ParticleSystem system(4, new ParticleRenderer(nullptr, 1.0f, false));
    ParticleForce gravity(Vec3(0, -4, 0));
    system.addForce(&gravity);
    system.spawn(particle(0, 1.0f, Vec3(0, 1, 0)));
    Timer t = timerWith(0.1f);

    system.update(&t);
    const Particle& p = system.particles[0];
    EXPECT_NEAR(p.velocity.y, 0.6f, 1e-6);
    EXPECT_NEAR(p.position.y, 0.06f, 1e-6);  // the force acts before the move
    EXPECT_NEAR(p.life, 0.9f, 1e-6);

    int updates = 1;
    while (system.liveCount > 0 && updates < 20) {
        system.update(&t);
        ++updates;
    }
    EXPECT_EQ(system.liveCount, 0);
    EXPECT_GE(updates, 10);
    EXPECT_LE(updates, 11);
    const Vec3 restingPlace = p.position;
    const Vec3 restingSpeed = p.velocity;
    system.update(&t);  // a dead particle is neither pushed nor moved
    EXPECT_EQ(p.position, restingPlace);
    EXPECT_EQ(p.velocity, restingSpeed);
}

TEST(ParticleSystem, ForcesApplyInOrderAndAccumulate) {
    ParticleSystem system(1, new ParticleRenderer(nullptr, 1.0f, false));
    ParticleForce a(Vec3(1, 0, 0)), b(Vec3(0, 0, 2));
    system.addForce(&a);
    system.addForce(&b);
    system.spawn(particle(0, 10.0f));
    Timer t = timerWith(0.5f);
    system.update(&t);
    EXPECT_EQ(system.particles[0].velocity, Vec3(0.5f, 0, 1.0f));
    // Forces are public and changed between frames by scenes.
    a.acceleration = Vec3(-1, 0, 0);
    system.update(&t);
    EXPECT_EQ(system.particles[0].velocity, Vec3(0, 0, 2.0f));
}

TEST(ParticleSystem, KillAllFreesEverySlotForTheEmitters) {
    ParticleSystem system(3, new ParticleRenderer(nullptr, 1.0f, false));
    for (int i = 0; i < 3; ++i) system.spawn(particle(static_cast<float>(i), 5));
    system.killAll();
    EXPECT_EQ(system.liveCount, 0);
    for (const Particle& p : system.particles) EXPECT_FALSE(p.alive());

    PointEmitter emitter(Vec3(9, 9, 9), Vec3(), Vec3(), Vec3(), 2.0f, 0.0f, 1.0f);
    system.addEmitter(&emitter);
    Timer t = timerWith(0.01f);
    system.update(&t);
    EXPECT_EQ(system.liveCount, 1);
    EXPECT_EQ(system.particles[0].position, Vec3(9, 9, 9));
    EXPECT_FALSE(system.particles[1].alive());
}

TEST(PointEmitter, EmitsRateTimesDeltaButAtLeastOne) {
    struct Case {
        float rate, delta;
        int expected;
    };
    for (const Case c : {Case{100, 0.25f, 25}, Case{100, 0.005f, 1}, Case{0, 0.02f, 1}, Case{-50, 0.02f, 1},
                         Case{250, 0.0199f, 4}}) {
        ParticleSystem system(1000, new ParticleRenderer(nullptr, 1.0f, false));
        PointEmitter emitter(Vec3(), Vec3(), Vec3(), Vec3(), 5.0f, 0.0f, c.rate);
        Timer t = timerWith(c.delta);
        emitter.emit(&t, &system);
        EXPECT_EQ(system.liveCount, c.expected) << "rate " << c.rate << " delta " << c.delta;
    }
}

TEST(PointEmitter, HugeRateFillsThePoolAndStops) {
    ParticleSystem system(50, new ParticleRenderer(nullptr, 1.0f, false));
    PointEmitter emitter(Vec3(), Vec3(), Vec3(), Vec3(), 5.0f, 0.0f, 1e30f);
    Timer t = timerWith(1000.0f);
    emitter.emit(&t, &system);
    EXPECT_EQ(system.liveCount, 50);
}

TEST(PointEmitter, JittersAreDrawnZYXThenVelocityThenLife) {
    ParticleSystem system(4, new ParticleRenderer(nullptr, 1.0f, false));
    PointEmitter emitter(Vec3(1, 2, 3), Vec3(10, 20, 30), Vec3(4, 5, 6), Vec3(1, 2, 3), 7.0f, 0.5f, 1.0f);
    const auto r = randsFrom(12345, 8);
    Timer t = timerWith(0.01f);
    emitter.emit(&t, &system);
    ASSERT_EQ(system.liveCount, 1);
    const Particle& p = system.particles[0];
    EXPECT_FLOAT_EQ(p.position.z, 3 + jitterOf(r[0]) * 30);
    EXPECT_FLOAT_EQ(p.position.y, 2 + jitterOf(r[1]) * 20);
    EXPECT_FLOAT_EQ(p.position.x, 1 + jitterOf(r[2]) * 10);
    EXPECT_FLOAT_EQ(p.velocity.z, 6 + jitterOf(r[3]) * 3);
    EXPECT_FLOAT_EQ(p.velocity.y, 5 + jitterOf(r[4]) * 2);
    EXPECT_FLOAT_EQ(p.velocity.x, 4 + jitterOf(r[5]) * 1);
    EXPECT_FLOAT_EQ(p.life, 7 + jitterOf(r[6]) * 0.5f);
    EXPECT_EQ(std::rand(), r[7]);  // exactly seven draws per particle
}

TEST(ParticleSystem, NewParticlesWaitAFrameBeforeMoving) {
    ParticleSystem system(10, new ParticleRenderer(nullptr, 1.0f, false));
    PointEmitter emitter(Vec3(), Vec3(), Vec3(0, 10, 0), Vec3(), 5.0f, 0.0f, 1.0f);
    system.addEmitter(&emitter);
    Timer t = timerWith(0.1f);
    system.update(&t);
    EXPECT_EQ(system.particles[0].position, Vec3());
    EXPECT_FLOAT_EQ(system.particles[0].life, 5.0f);
    system.update(&t);
    EXPECT_FLOAT_EQ(system.particles[0].position.y, 1.0f);
    EXPECT_EQ(system.particles[1].position, Vec3());
    EXPECT_EQ(system.liveCount, 2);
}

TEST(CurveEmitter, DropsEveryStepUpToTheTarget) {
    ParticleSystem system(100, new ParticleRenderer(nullptr, 1.0f, false));
    CurveEmitter emitter(Vec3(), Vec3(), 7.0f, 0.0f, 5.0f, 6.0f, 5.0f, 4.0f, 0.025f, 2);
    Timer t = timerWith(0.02f);
    emitter.emit(&t, &system);
    // Target 0.08: drops at 0, 0.025, 0.05, 0.075, two particles each.
    EXPECT_EQ(system.liveCount, 8);
    EXPECT_NEAR(emitter.t, 0.1f, 1e-6);
    // With R 5, r 6, d 5 the curve starts at (11 - 5, 0, 0).
    EXPECT_NEAR(system.particles[0].position.x, 6.0f, 1e-6);
    EXPECT_NEAR(system.particles[0].position.z, 0.0f, 1e-6);
    EXPECT_EQ(system.particles[1].position, system.particles[0].position);
    for (const Particle& p : std::vector<Particle>(system.particles.begin(), system.particles.begin() + 8)) {
        EXPECT_EQ(p.velocity, Vec3());
        EXPECT_FLOAT_EQ(p.position.y, 0.0f);
    }
    // Third drop at t = 0.05: the epitrochoid point with k = 11/6.
    const float tt = 0.05f, k = 11.0f / 6.0f;
    EXPECT_NEAR(system.particles[4].position.x, 11 * std::cos(tt) - 5 * std::cos(k * tt), 1e-5);
    EXPECT_NEAR(system.particles[4].position.z, 11 * std::sin(tt) - 5 * std::sin(k * tt), 1e-5);

    // The next frame starts from 0.1: target 0.18, drops at 0.1, 0.125, 0.15, 0.175.
    emitter.emit(&t, &system);
    EXPECT_EQ(system.liveCount, 16);
    EXPECT_NEAR(emitter.t, 0.2f, 1e-5);
}

TEST(CurveEmitter, CentreJitterAndLife) {
    ParticleSystem system(10, new ParticleRenderer(nullptr, 1.0f, false));
    CurveEmitter emitter(Vec3(1, -2, 3), Vec3(0.5f, 0.25f, 2), 3.0f, 1.0f, 5.0f, 6.0f, 5.0f, 1.0f, 1.0f, 1);
    const auto r = randsFrom(99, 5);
    Timer t = timerWith(0.5f);
    emitter.emit(&t, &system);
    ASSERT_EQ(system.liveCount, 1);
    const Particle& p = system.particles[0];
    EXPECT_FLOAT_EQ(p.position.z, 3 + 0 + jitterOf(r[0]) * 2);
    EXPECT_FLOAT_EQ(p.position.y, -2 + jitterOf(r[1]) * 0.25f);
    EXPECT_FLOAT_EQ(p.position.x, 1 + 6 + jitterOf(r[2]) * 0.5f);
    EXPECT_FLOAT_EQ(p.life, 3 + jitterOf(r[3]) * 1.0f);
    EXPECT_EQ(std::rand(), r[4]);
}

TEST(CurveEmitter, NothingHappensWithoutProgressOrStep) {
    ParticleSystem system(100, new ParticleRenderer(nullptr, 1.0f, false));
    Timer t = timerWith(0.02f);
    Timer still = timerWith(0.0f);

    CurveEmitter noStep(Vec3(), Vec3(), 7.0f, 0.0f, 5.0f, 6.0f, 5.0f, 4.0f, 0.0f, 2);
    noStep.emit(&t, &system);
    CurveEmitter backwards(Vec3(), Vec3(), 7.0f, 0.0f, 5.0f, 6.0f, 5.0f, 4.0f, -0.1f, 2);
    backwards.emit(&t, &system);
    CurveEmitter stopped(Vec3(), Vec3(), 7.0f, 0.0f, 5.0f, 6.0f, 5.0f, 4.0f, 0.025f, 2);
    stopped.emit(&still, &system);
    CurveEmitter reversing(Vec3(), Vec3(), 7.0f, 0.0f, 5.0f, 6.0f, 5.0f, -4.0f, 0.025f, 2);
    reversing.emit(&t, &system);
    EXPECT_EQ(system.liveCount, 0);
    EXPECT_FLOAT_EQ(stopped.t, 0.0f);
    EXPECT_FLOAT_EQ(reversing.t, 0.0f);
}

TEST(CurveEmitter, HugeParameterNoLongerAdvancedEndsTheFrame) {
    ParticleSystem system(100, new ParticleRenderer(nullptr, 1.0f, false));
    CurveEmitter emitter(Vec3(), Vec3(), 7.0f, 0.0f, 5.0f, 6.0f, 5.0f, 400000.0f, 0.025f, 1);
    emitter.t = 1.0e7f;  // adding 0.025 no longer changes a float this large
    Timer t = timerWith(0.02f);
    emitter.emit(&t, &system);
    EXPECT_EQ(system.liveCount, 1);
}

TEST(ParticleSystem, CollectAddsTheRendererThenChildrenWhenVisible) {
    auto* renderer = new ParticleRenderer(nullptr, 1.0f, false);
    ParticleSystem system(1, renderer);
    auto* childRenderer = new ParticleRenderer(nullptr, 1.0f, false);
    auto* child = new ParticleSystem(1, childRenderer);
    system.addChild(child);
    EXPECT_EQ(renderer->owner, &system);  // drawn under the system's world matrix
    EXPECT_EQ(childRenderer->owner, child);
    RenderList list(nullptr);
    system.collect(&list);
    EXPECT_EQ(list.drawables, (std::vector<Drawable*>{renderer, childRenderer}));

    system.setVisible(false);
    RenderList hidden(nullptr);
    system.collect(&hidden);
    EXPECT_TRUE(hidden.drawables.empty());
}

struct Recorder : Controller {
    void apply(Timer*, Node* target) override {
        auto* s = static_cast<ParticleSystem*>(target);
        liveWhenRun = s->liveCount;
    }
    int liveWhenRun = -1;
};

TEST(ParticleSystem, ControllersRunAfterEmission) {
    ParticleSystem system(10, new ParticleRenderer(nullptr, 1.0f, false));
    PointEmitter emitter(Vec3(), Vec3(), Vec3(), Vec3(), 5.0f, 0.0f, 1.0f);
    system.addEmitter(&emitter);
    Recorder recorder;
    system.addController(&recorder);
    Timer t = timerWith(0.1f);
    system.update(&t);
    EXPECT_EQ(recorder.liveWhenRun, 1);
}

}  // namespace
