// The display tests' X server: started before the first test, stopped after
// the last. Tests that take the server down restart it through Restart().
#ifndef TARSEL_TESTS_DISPLAY_ENVIRONMENT_H
#define TARSEL_TESTS_DISPLAY_ENVIRONMENT_H

#include "support/xvfb_server.h"

namespace tarsel_test {

XvfbServer& DisplayServer();
// Starts a new server and points $DISPLAY at it; false when it cannot start.
bool RestartDisplayServer();

}  // namespace tarsel_test

#endif  // TARSEL_TESTS_DISPLAY_ENVIRONMENT_H
