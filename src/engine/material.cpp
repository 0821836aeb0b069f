#include "engine/material.h"

#include <GL/gl.h>
#include <GL/glext.h>

#include "engine/display.h"
#include "resources/texture_manager.h"

namespace {

// A driver without the multitexture entry points leaves activeTexture null; the program
// is already on its way out then (Display::init posts a quit), so just skip the selects.
void selectUnit(RenderList* list, GLenum unit) {
    if (list != nullptr && list->display != nullptr && list->display->activeTexture != nullptr)
        list->display->activeTexture(unit);
}

// A failed texture load leaves a null pointer in the material: bind texture name 0 so the
// drawable shows untextured instead of with whatever texture was bound before.
void bindTexture(const Texture* texture) {
    glBindTexture(GL_TEXTURE_2D, texture != nullptr ? texture->name : 0u);
}

}  // namespace

void Material::apply(RenderList* list) {
    glDisable(GL_COLOR_MATERIAL);
    glPolygonMode(GL_FRONT_AND_BACK, wireframe ? GL_LINE : GL_FILL);
    if (depthTest)
        glEnable(GL_DEPTH_TEST);
    else
        glDisable(GL_DEPTH_TEST);
    if (cullFace)
        glEnable(GL_CULL_FACE);
    else
        glDisable(GL_CULL_FACE);
    glDepthMask(depthWrite ? GL_TRUE : GL_FALSE);

    switch (mode) {
    case ColorMode:
        glDisable(GL_BLEND);
        selectUnit(list, GL_TEXTURE1_ARB);
        glDisable(GL_TEXTURE_2D);
        selectUnit(list, GL_TEXTURE0_ARB);
        glDisable(GL_TEXTURE_2D);
        glColor3f(color.r, color.g, color.b);
        glColorMaterial(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE);
        break;
    case TexturedMode:
        glDisable(GL_BLEND);
        selectUnit(list, GL_TEXTURE1_ARB);
        glDisable(GL_TEXTURE_2D);
        selectUnit(list, GL_TEXTURE0_ARB);
        glEnable(GL_TEXTURE_2D);
        glColor3f(1.0f, 1.0f, 1.0f);
        bindTexture(texture);
        break;
    case DualTextureMode:
        glDisable(GL_BLEND);
        glColor3f(1.0f, 1.0f, 1.0f);
        selectUnit(list, GL_TEXTURE0_ARB);
        glEnable(GL_TEXTURE_2D);
        bindTexture(texture);
        // Unit 1 is left selected: its combiner multiplies by the previous unit's result
        // (the default sources) and doubles the colour.
        selectUnit(list, GL_TEXTURE1_ARB);
        glEnable(GL_TEXTURE_2D);
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_COMBINE_ARB);
        glTexEnvf(GL_TEXTURE_ENV, GL_RGB_SCALE_ARB, 2.0f);
        bindTexture(secondTexture);
        break;
    case AdditiveMode:
    case BlendedMode:
        selectUnit(list, GL_TEXTURE1_ARB);
        glDisable(GL_TEXTURE_2D);
        selectUnit(list, GL_TEXTURE0_ARB);
        glEnable(GL_BLEND);
        glEnable(GL_TEXTURE_2D);
        bindTexture(texture);
        glColorMaterial(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE);
        glColor4f(color.r, color.g, color.b, color.a);
        glBlendFunc(GL_SRC_ALPHA, mode == AdditiveMode ? GL_ONE : GL_ONE_MINUS_SRC_ALPHA);
        break;
    default:
        // Only the common state above; blending, texturing and colour stay as they were.
        break;
    }
}
