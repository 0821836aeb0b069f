// Anchor for the test-support library; the helpers themselves are header-only so far.
#include "support/message_recorder.h"
#include "support/test_paths.h"
