// The two things geometry reads from the running demo: the World's current camera (for
// camera-facing particles) and the keyboard and mouse state (for the fly camera).
#pragma once

class Node;
class Input;

// Null while there is no demo or no camera yet.
const Node* sceneCamera();
// Null while there is no demo.
Input* sceneInput();
