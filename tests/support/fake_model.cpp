// Stand-ins for the studio model glue (model/*_gl.cpp).
#include "model/model.h"
#include "support/fake_log.h"

bool LoadChosenModel(const char* path) {
    LogFakeCall(std::string("LoadChosenModel ") + path);
    return std::string(path).find("broken") == std::string::npos;
}

void SelectModelSequence(int sequence) { LogFakeCall("SelectModelSequence " + std::to_string(sequence)); }
