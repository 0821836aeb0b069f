#include "geometry/controllers.h"

#include <cmath>

#include "app/input.h"
#include "app/timer.h"
#include "geometry/scene_access.h"

void TranslateController::apply(Timer* timer, Node* target) { target->translateBy(velocity * timer->delta); }

void SpinController::apply(Timer* timer, Node* target) { target->rotateBy(angularVelocity * timer->delta); }

Vec3 Oscillator::advance(Timer* timer) {
    elapsed = elapsed + timer->delta;
    auto axis = [this](float c, float p, float f, float a) {
        return c + a * std::sin((elapsed * f + p) * DEG_TO_RAD);
    };
    return Vec3(axis(centre.x, phase.x, frequency.x, amplitude.x), axis(centre.y, phase.y, frequency.y, amplitude.y),
                axis(centre.z, phase.z, frequency.z, amplitude.z));
}

void PositionOscillator::apply(Timer* timer, Node* target) { target->setPosition(advance(timer)); }

void RotationOscillator::apply(Timer* timer, Node* target) { target->setRotation(advance(timer)); }

namespace {

constexpr int kKeyW = 87, kKeyS = 83, kKeyA = 65, kKeyD = 68;
constexpr int kKeyLeft = 37, kKeyUp = 38, kKeyRight = 39, kKeyDown = 40;
constexpr float kPitchLimit = 89.0f;
constexpr float kMouseDegreesPerPixel = 0.15f;

}  // namespace

void FreeLookController::apply(Timer* timer, Node* target) {
    Input* input = sceneInput();
    if (!input) return;
    const float d = timer->delta;
    const float move = moveSpeed * d;
    const float turn = turnSpeed * d;
    const float zero = 0.0f;

    // Every step reads the rotation the previous steps left.
    auto yaw = [target] { return target->rotation.y * DEG_TO_RAD; };
    auto pitch = [target] { return target->rotation.x * DEG_TO_RAD; };

    if (input->isKeyDown(kKeyW)) {
        const float y = yaw(), p = pitch();
        target->translateBy(Vec3(std::sin(y) * std::cos(p), -std::sin(p), -std::cos(y) * std::cos(p)) * move);
    }
    if (input->isKeyDown(kKeyS)) {
        const float y = yaw(), p = pitch();
        target->translateBy(Vec3(-std::sin(y) * std::cos(p), std::sin(p), std::cos(y) * std::cos(p)) * move);
    }
    if (input->isKeyDown(kKeyA)) {
        const float y = yaw();
        target->translateBy(Vec3(-std::cos(y), zero, -std::sin(y)) * move);
    }
    if (input->isKeyDown(kKeyD)) {
        const float y = yaw();
        target->translateBy(Vec3(std::cos(y), zero, std::sin(y)) * move);
    }
    if (input->isKeyDown(kKeyLeft)) target->rotateBy(Vec3(zero, -turn, zero));
    if (input->isKeyDown(kKeyRight)) target->rotateBy(Vec3(zero, turn, zero));
    if (input->isKeyDown(kKeyUp)) {
        target->rotateBy(Vec3(-turn, zero, zero));
        if (target->rotation.x < -kPitchLimit) {
            Vec3 r = target->rotation;
            r.x = -kPitchLimit;
            target->setRotation(r);
        }
    }
    if (input->isKeyDown(kKeyDown)) {
        target->rotateBy(Vec3(turn, zero, zero));
        if (target->rotation.x > kPitchLimit) {
            Vec3 r = target->rotation;
            r.x = kPitchLimit;
            target->setRotation(r);
        }
    }

    float dx = 0.0f, dy = 0.0f;
    input->mouseDelta(dx, dy);
    const float newYaw = target->rotation.y + dx * kMouseDegreesPerPixel;
    float newPitch = target->rotation.x + dy * kMouseDegreesPerPixel;
    if (newPitch > kPitchLimit)
        newPitch = kPitchLimit;
    else if (newPitch < -kPitchLimit)
        newPitch = -kPitchLimit;
    target->setRotation(Vec3(newPitch, newYaw, target->rotation.z));
}
