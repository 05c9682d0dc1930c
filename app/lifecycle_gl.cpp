#include <GL/freeglut.h>

#include <cstdlib>

#include "app/app.h"
#include "app/lifecycle.h"
#include "app/settings.h"
#include "capture/capture.h"
#include "record/record.h"
#include "render/render.h"
#include "render/shader.h"
#include "web/web.h"

void ShutdownRoutine() {
    // A store that refused the first section has said why once already.
    if (SaveSettings()) SaveWebSettings();
    StopWeb();
    StopRecordings();
    DeleteTextures();
    ReleaseShaderPrograms();
}

void ExitSequence() {
    ShutdownRoutine();
    CloseCaptureDevices();
    // std::exit runs freeglut's exit handler, which destroys the window and
    // would call the close callback, and so this sequence, a second time.
    if (glutGetWindow()) glutCloseFunc(nullptr);
    std::exit(0);
}
