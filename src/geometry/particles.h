// Particle effects: a scene-graph node owning a fixed pool of particles that emitters fill
// and forces push, drawn by one renderer as small textured squares.  Positions are in the
// system node's own space.  Random numbers come from the C library's rand(), never
// seeded; the order of the draws is part of the behaviour.
//
// The renderer turns and spins each square on the processor and hands the whole pool to
// OpenGL as one vertex array: one draw call per system and frame instead of one matrix
// push and one glBegin/glEnd per particle (which a GL emulated over WebGL turns into one
// draw call each).  The squares keep slot order, so blended sprites overlap as before.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/display.h"
#include "engine/math.h"
#include "engine/node.h"

class Material;
class ParticleSystem;

struct Particle {
    Vec3 position;
    Vec3 velocity;
    float life = 0.0f;  // seconds left; alive while positive

    bool alive() const { return life > 0.0f; }
};

// One draw of rand() turned into -1.000 ... 0.999 in steps of 0.001.
float jitter();

class ParticleForce {
public:
    explicit ParticleForce(const Vec3& acceleration_) : acceleration(acceleration_) {}
    // Constant acceleration: velocity += acceleration * dt.
    virtual void apply(Timer* timer, Particle* particle);

    Vec3 acceleration;
};

class Emitter {
public:
    virtual void emit(Timer* timer, ParticleSystem* system) = 0;

protected:
    ~Emitter() = default;
};

// Sprays particles from a point: rate * dt per frame, at least one.
class PointEmitter : public Emitter {
public:
    PointEmitter(const Vec3& position, const Vec3& positionJitter, const Vec3& velocity, const Vec3& velocityJitter,
                 float life, float lifeJitter, float rate);
    void emit(Timer* timer, ParticleSystem* system) override;

    Vec3 position;
    Vec3 positionJitter;
    Vec3 velocity;
    Vec3 velocityJitter;
    float life;
    float lifeJitter;
    float rate;  // particles per second
};

// Walks an epitrochoid in the system's x-z plane (a pen at distance d from the centre of a
// circle of radius r rolling around a circle of radius R) and leaves motionless particles
// along it, countPerDrop every `step` of the curve parameter.
class CurveEmitter : public Emitter {
public:
    CurveEmitter(const Vec3& centre, const Vec3& positionJitter, float life, float lifeJitter, float R, float r,
                 float d, float speed, float step, std::int32_t countPerDrop);
    void emit(Timer* timer, ParticleSystem* system) override;

    Vec3 centre;
    Vec3 positionJitter;
    float life;
    float lifeJitter;
    float R;
    float r;
    float d;
    float speed;  // curve parameter per second
    float step;   // curve parameter between drops
    std::int32_t countPerDrop;
    float t = 0.0f;  // only grows
};

// One corner of a sprite as the vertex array holds it: position, then texture coordinate.
struct SpriteVertex {
    float x, y, z;
    float s, t;
};

class ParticleRenderer : public Drawable {
public:
    ParticleRenderer(Material* material, float size, bool randomOrientation);
    void draw(RenderList* list) override;

    Material* material;
    float size;  // side of each square in the system's units
    bool randomOrientation;
    ParticleSystem* system = nullptr;  // the pool to draw; set with `owner` by the system

    // The corners of the last draw, four per live particle in slot order (reused each frame;
    // grows at most to four per pool slot).
    std::vector<SpriteVertex> corners;
};

class ParticleSystem : public Node {
public:
    ParticleSystem(std::int32_t capacity, ParticleRenderer* renderer);

    void addEmitter(Emitter* emitter) { emitters.push_back(emitter); }
    void addForce(ParticleForce* force) { forces.push_back(force); }
    // Into the first free slot; dropped silently when the pool is full, and when the
    // particle has no life left to live (it could never age out of the live count).
    void spawn(const Particle& particle);
    void killAll();

    void update(Timer* timer) override;
    void collect(RenderList* list) override;

    std::int32_t liveCount = 0;
    const std::int32_t capacity;
    std::vector<Particle> particles;  // sized once; never grows
    std::vector<Emitter*> emitters;
    std::vector<ParticleForce*> forces;
    ParticleRenderer* renderer;
};
