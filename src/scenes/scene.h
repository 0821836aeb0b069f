// One part of the show: enter builds its share of the scene graph once, frame animates and
// draws one frame and says whether the program goes on.
#pragma once

class Timer;
class MaterialLibrary;
class TextureManager;
class World;
class Display;

class Scene {
public:
    // Copies the four references from theDemo; loads nothing and touches no OpenGL.
    Scene();
    Scene(const Scene&) = delete;
    Scene& operator=(const Scene&) = delete;

    virtual void enter() = 0;
    // False ends the program.
    virtual bool frame(Timer* timer) = 0;

    MaterialLibrary* materials;
    TextureManager* textures;
    World* world;
    Display* display;

protected:
    ~Scene() = default;  // scenes live for the rest of the process
    // The common end of every drawn frame: animate the World, render it, present it.
    void updateAndDraw(Timer* timer);
};
