// Node animators.  Each frame a node calls its controllers in the order they were added;
// they move or turn the node through its setters (which mark its world matrix stale),
// driven by the frame delta.  Angles are degrees: x = pitch, y = yaw, z = roll.
#pragma once

#include "engine/math.h"
#include "engine/node.h"

// Constant linear motion, world units per second.
class TranslateController : public Controller {
public:
    explicit TranslateController(const Vec3& velocity_) : velocity(velocity_) {}
    void apply(Timer* timer, Node* target) override;

    Vec3 velocity;
};

// Constant spin, degrees per second about each axis.
class SpinController : public Controller {
public:
    explicit SpinController(const Vec3& angularVelocity_) : angularVelocity(angularVelocity_) {}
    void apply(Timer* timer, Node* target) override;

    Vec3 angularVelocity;
};

// value.a = centre.a + amplitude.a * sin(elapsed * frequency.a + phase.a), per axis, with
// phase in degrees and frequency in degrees per second.  `elapsed` advances on every
// apply, so an oscillator shared by two nodes runs twice as fast.
class Oscillator : public Controller {
public:
    Oscillator(const Vec3& centre_, const Vec3& phase_, const Vec3& frequency_, const Vec3& amplitude_)
        : centre(centre_), phase(phase_), frequency(frequency_), amplitude(amplitude_) {}

    Vec3 centre;
    Vec3 phase;
    Vec3 frequency;
    Vec3 amplitude;
    float elapsed = 0.0f;

protected:
    ~Oscillator() = default;
    // Advances the clock by this frame's delta and returns the value for the new time.
    Vec3 advance(Timer* timer);
};

// Sets the node's position.
class PositionOscillator : public Oscillator {
public:
    using Oscillator::Oscillator;
    void apply(Timer* timer, Node* target) override;
};

// Sets the node's rotation (centre and amplitude in degrees).
class RotationOscillator : public Oscillator {
public:
    using Oscillator::Oscillator;
    void apply(Timer* timer, Node* target) override;
};

// A fly camera: W/S forward and back along the view, A/D strafe, arrows turn, the mouse
// offset of the frame turns by 0.15 degrees a pixel; pitch is held within +-89 degrees.
class FreeLookController : public Controller {
public:
    void apply(Timer* timer, Node* target) override;

    float moveSpeed = 5.0f;    // units per second
    float turnSpeed = 120.0f;  // degrees per second
};
