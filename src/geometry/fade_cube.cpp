#include "geometry/fade_cube.h"

#include "geometry/generators.h"

MeshNode* makeFadeCube(Material* fadeMaterial) {
    return makeCenteredBox(fadeMaterial, Vec3(0.5f, 0.5f, 0.5f), 0.0f);
}
