// The scene the program starts with, built after the song has started.
#pragma once

class Scene;

// Null while there is no scene to show; the program then runs its loop without drawing.
Scene* makeFirstScene();
