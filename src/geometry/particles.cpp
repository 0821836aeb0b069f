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

void ParticleRenderer::draw(RenderList* list) {
    if (material) material->apply(list);
    if (!system) return;

    const Node* camera = randomOrientation ? nullptr : sceneCamera();
    const float half = size / 2;
    for (const Particle& p : system->particles) {
        if (!p.alive()) continue;
        glPushMatrix();
        glTranslatef(p.position.x, p.position.y, p.position.z);
        if (randomOrientation) {
            const float yaw = randomDegrees();
            glRotatef(yaw, 0.0f, 1.0f, 0.0f);
            const float pitch = randomDegrees();
            glRotatef(pitch, 1.0f, 0.0f, 0.0f);
        } else if (camera) {
            // Undo the camera's yaw and pitch; its roll is left alone.
            glRotatef(-camera->rotation.y, 0.0f, 1.0f, 0.0f);
            glRotatef(-camera->rotation.x, 1.0f, 0.0f, 0.0f);
        }
        glRotatef(randomDegrees(), 0.0f, 0.0f, 1.0f);
        glScalef(half, half, 1.0f);
        glBegin(GL_QUADS);
        glTexCoord2f(0.0f, 0.0f);
        glVertex3f(-1.0f, -1.0f, 0.0f);
        glTexCoord2f(1.0f, 0.0f);
        glVertex3f(1.0f, -1.0f, 0.0f);
        glTexCoord2f(1.0f, 1.0f);
        glVertex3f(1.0f, 1.0f, 0.0f);
        glTexCoord2f(0.0f, 1.0f);
        glVertex3f(-1.0f, 1.0f, 0.0f);
        glEnd();
        glPopMatrix();
    }
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
