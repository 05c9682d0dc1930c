// Stand-ins for the lifecycle (app/lifecycle_gl.cpp): the exit sequence
// throws instead of ending the test process.
#include "app/lifecycle.h"
#include "support/fake_log.h"
#include "support/fake_app.h"

void ShutdownRoutine() { LogFakeCall("ShutdownRoutine"); }

void ExitSequence() {
    LogFakeCall("ExitSequence");
    throw ExitRequested{};
}
