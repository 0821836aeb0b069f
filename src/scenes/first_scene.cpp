#include "scenes/first_scene.h"

// The scene chain is not built yet: with no first scene queued the loop runs and draws
// nothing.  Replace with the first scene of the chain (created with new, kept forever).
Scene* makeFirstScene() { return nullptr; }
