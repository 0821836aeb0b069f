#include "engine/text_node.h"

#include "engine/font3d.h"
#include "engine/material.h"

void TextDrawable::draw(RenderList* list) {
    if (material != nullptr) material->apply(list);
    if (font != nullptr) font->drawText(list, text);
}

TextNode::TextNode(Font3D* font, Material* material, const char* text) {
    drawable.owner = this;
    drawable.material = material;
    drawable.font = font;
    drawable.text = text;
}

void TextNode::collect(RenderList* list) {
    if (!visible) return;
    list->add(&drawable);
    collectChildren(list);
}
