#include "support/test_nodes.h"

#include <GL/gl.h>

void QuadDrawable::draw(RenderList* list) {
    ++drawCount;
    lastDisplay = list->display;
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_BLEND);
    glDisable(GL_CULL_FACE);
    glColor3f(red, green, blue);
    glBegin(GL_QUADS);
    glVertex3f(-half, -half, 0.0f);
    glVertex3f(half, -half, 0.0f);
    glVertex3f(half, half, 0.0f);
    glVertex3f(-half, half, 0.0f);
    glEnd();
}
