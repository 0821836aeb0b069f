// A scene-graph node showing one string of 3D text in one material, centred on the
// node's origin.
#pragma once

#include "engine/display.h"
#include "engine/node.h"

class Font3D;
class Material;

class TextDrawable final : public Drawable {
public:
    // Applies the material, then draws the string.
    void draw(RenderList* list) override;

    Material* material = nullptr;
    Font3D* font = nullptr;
    const char* text = nullptr;  // not copied: must outlive the node's drawing
};

class TextNode : public Node {
public:
    TextNode(Font3D* font, Material* material, const char* text);

    void update(Timer* timer) override { standardUpdate(timer); }
    void collect(RenderList* list) override;

    TextDrawable drawable;
};
