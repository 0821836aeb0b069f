#include "geometry/particles.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "app/timer.h"
#include "engine/material.h"
#include "geometry/scene_access.h"

float jitter() { return static_cast<float>(std::rand() % 2000 - 1000) * 0.001f; }

namespace {

// A fresh random angle in whole degrees.  The C library's range is wider than 0..32767 on
// this platform; values that large no longer have whole-degree precision as a float, so
// the draw is folded into 0..32767.
float randomDegrees() { return static_cast<float>(std::rand() % 32768); }

// Three jitters drawn z, y, x, each scaling its own axis of `amount`.
Vec3 jitterVector(const Vec3& amount) {
    const float jz = jitter();
    const float jy = jitter();
    const float jx = jitter();
    return Vec3(jx * amount.x, jy * amount.y, jz * amount.z);
}

}  // namespace

void ParticleForce::apply(Timer* timer, Particle* particle) {
    particle->velocity += acceleration * timer->delta;
}

PointEmitter::PointEmitter(const Vec3& position_, const Vec3& positionJitter_, const Vec3& velocity_,
                           const Vec3& velocityJitter_, float life_, float lifeJitter_, float rate_)
    : position(position_),
      positionJitter(positionJitter_),
      velocity(velocity_),
      velocityJitter(velocityJitter_),
      life(life_),
      lifeJitter(lifeJitter_),
      rate(rate_) {}

void PointEmitter::emit(Timer* timer, ParticleSystem* system) {
    // At least one particle a frame whatever the rate.  More than the pool can hold would
    // all be dropped anyway; the cap also keeps a huge rate * dt from overflowing the count
    // or turning one frame into a long loop.
    const float wanted = rate * timer->delta;
    const std::int32_t most = std::max<std::int32_t>(system->capacity, 1);
    std::int32_t n = 1;
    if (wanted >= static_cast<float>(most))
        n = most;
    else if (wanted >= 1.0f)
        n = static_cast<std::int32_t>(wanted);

    for (std::int32_t i = 0; i < n; ++i) {
        Particle p;
        p.position = position + jitterVector(positionJitter);
        p.velocity = velocity + jitterVector(velocityJitter);
        p.life = life + jitter() * lifeJitter;
        system->spawn(p);
    }
}

CurveEmitter::CurveEmitter(const Vec3& centre_, const Vec3& positionJitter_, float life_, float lifeJitter_, float R_,
                           float r_, float d_, float speed_, float step_, std::int32_t countPerDrop_)
    : centre(centre_),
      positionJitter(positionJitter_),
      life(life_),
      lifeJitter(lifeJitter_),
      R(R_),
      r(r_),
      d(d_),
      speed(speed_),
      step(step_),
      countPerDrop(countPerDrop_) {}

void CurveEmitter::emit(Timer* timer, ParticleSystem* system) {
    const float target = t + speed * timer->delta;
    if (!(t < target)) return;
    // Without a positive step the walk would never reach the target: no drops at all.
    if (!(step > 0.0f)) return;

    do {
        const float k = (R + r) / r;
        const Vec3 point((R + r) * std::cos(t) - d * std::cos(k * t), 0.0f,
                         (R + r) * std::sin(t) - d * std::sin(k * t));
        for (std::int32_t i = 0; i < countPerDrop; ++i) {
            Particle p;
            p.position = centre + point + jitterVector(positionJitter);
            p.life = life + jitter() * lifeJitter;
            system->spawn(p);
        }
        const float next = t + step;
        // Once t is so large that adding the step no longer changes it, stop for this
        // frame instead of dropping at the same point for ever.
        if (!(next > t)) break;
        t = next;
    } while (t < target);
}

ParticleRenderer::ParticleRenderer(Material* material_, float size_, bool randomOrientation_)
    : material(material_), size(size_), randomOrientation(randomOrientation_) {}

namespace {

// Sine and cosine of a turn in degrees, worked out the way the fixed-function matrix
// stack does for glRotatef (radians rounded to float, then the float sine and cosine), so
// the sprites land where the matrix stack put them up to float rounding.  Rounding the
// radians first matters: the spins reach 32767 degrees, where it moves the angle by up
// to 0.002 degrees.
struct Turn {
    float s, c;
};
Turn turn(float degrees) {
    const float radians = static_cast<float>(static_cast<double>(degrees) * 3.14159265358979323846 / 180.0);
    return {std::sin(radians), std::cos(radians)};
}

// The first two columns of a yaw (about y) followed by a pitch (about x): where a flat
// square's own x and y axes point in the system's space.
struct Basis {
    Vec3 x{1.0f, 0.0f, 0.0f};
    Vec3 y{0.0f, 1.0f, 0.0f};
};
Basis yawThenPitch(float yawDegrees, float pitchDegrees) {
    const Turn yaw = turn(yawDegrees);
    const Turn pitch = turn(pitchDegrees);
    return {Vec3(yaw.c, 0.0f, -yaw.s), Vec3(yaw.s * pitch.s, pitch.c, yaw.c * pitch.s)};
}

}  // namespace

void ParticleRenderer::draw(RenderList* list) {
    if (material) material->apply(list);
    if (!system) return;

    corners.clear();
    corners.reserve(system->particles.size() * 4);
    const Node* camera = randomOrientation ? nullptr : sceneCamera();
    // Facing the camera undoes its yaw and pitch (its roll is left alone); without a camera
    // the squares stay in the system's x-y plane.
    const Basis facing = camera ? yawThenPitch(-camera->rotation.y, -camera->rotation.x) : Basis{};
    const float half = size / 2;
    for (const Particle& p : system->particles) {
        if (!p.alive()) continue;
        Basis b = facing;
        if (randomOrientation) {
            // Two draws for the tumble, then the spin's: the order the generator is read in.
            const float yaw = randomDegrees();
            const float pitch = randomDegrees();
            b = yawThenPitch(yaw, pitch);
        }
        const Turn spin = turn(randomDegrees());
        // The square's half-diagonals: its spun x and y axes, scaled to half the side.
        const Vec3 u = (b.x * spin.c + b.y * spin.s) * half;
        const Vec3 v = (b.y * spin.c + b.x * -spin.s) * half;
        // The two diagonals, each rounded once before the particle's position is added.
        const Vec3 d1(u.x + v.x, u.y + v.y, u.z + v.z);
        const Vec3 d2(u.x - v.x, u.y - v.y, u.z - v.z);
        const Vec3& o = p.position;
        corners.push_back({o.x - d1.x, o.y - d1.y, o.z - d1.z, 0.0f, 0.0f});
        corners.push_back({o.x + d2.x, o.y + d2.y, o.z + d2.z, 1.0f, 0.0f});
        corners.push_back({o.x + d1.x, o.y + d1.y, o.z + d1.z, 1.0f, 1.0f});
        corners.push_back({o.x - d2.x, o.y - d2.y, o.z - d2.z, 0.0f, 1.0f});
    }
    if (corners.empty()) return;

    // One interleaved array (the layout a WebGL-backed emulation uploads without copying).
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glVertexPointer(3, GL_FLOAT, sizeof(SpriteVertex), &corners[0].x);
    glTexCoordPointer(2, GL_FLOAT, sizeof(SpriteVertex), &corners[0].s);
    glDrawArrays(GL_QUADS, 0, static_cast<GLsizei>(corners.size()));
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glDisableClientState(GL_VERTEX_ARRAY);
}

ParticleSystem::ParticleSystem(std::int32_t capacity_, ParticleRenderer* renderer_)
    // A negative capacity is an empty pool.
    : capacity(std::max<std::int32_t>(capacity_, 0)), renderer(renderer_) {
    particles.resize(static_cast<std::size_t>(capacity));
    for (Particle& p : particles) p.life = -1.0f;
    if (renderer) {
        renderer->owner = this;
        renderer->system = this;
    }
}

void ParticleSystem::spawn(const Particle& particle) {
    // A particle born dead would sit in a slot that ageing never visits, counted live for
    // ever; enough of them and the pool would refuse every later spawn.
    if (!particle.alive()) return;
    if (liveCount >= capacity) return;
    for (Particle& slot : particles) {
        if (slot.alive()) continue;
        slot.position = particle.position;
        slot.velocity = particle.velocity;
        slot.life = particle.life;
        ++liveCount;
        return;
    }
}

void ParticleSystem::killAll() {
    for (Particle& p : particles) p.life = -1.0f;
    liveCount = 0;
}

void ParticleSystem::update(Timer* timer) {
    const float dt = timer->delta;
    // Index loops: a scene may add forces or emitters from a controller while this runs.
    for (std::size_t f = 0; f < forces.size(); ++f) {
        for (Particle& p : particles)
            if (p.alive()) forces[f]->apply(timer, &p);
    }
    for (Particle& p : particles) {
        if (!p.alive()) continue;
        p.life -= dt;
        if (p.life <= 0.0f)
            --liveCount;
        else
            p.position += p.velocity * dt;
    }
    for (std::size_t e = 0; e < emitters.size(); ++e) emitters[e]->emit(timer, this);
    standardUpdate(timer);
}

void ParticleSystem::collect(RenderList* list) {
    if (!visible) return;
    if (renderer) list->add(renderer);
    collectChildren(list);
}
