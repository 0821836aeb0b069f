// The fade cube: a small box around the eye, drawn last from inside, whose material's
// alpha darkens the whole picture (1 = black, 0 = no effect).
#pragma once

#include "geometry/mesh.h"

// makeCenteredBox of size 0.5 with texture tile 0 on the given (blended, unculled) material;
// the caller adds it as a child of the camera node.
MeshNode* makeFadeCube(Material* fadeMaterial);
