#include "scenes/first_scene.h"

#include "scenes/title_scene.h"

// The head of the chain; every later scene is made by its predecessor.  Lives for good.
Scene* makeFirstScene() { return new TitleScene; }
