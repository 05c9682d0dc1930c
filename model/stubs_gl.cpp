// Placeholder until the studio model lands.
#include "model/model.h"

MdlModel* studio_model = nullptr;
void LoadDefaultModel() {}
bool LoadChosenModel(const char*) { return false; }
void SelectModelSequence(int) {}
