// The program's studio model: loaded from app.model_file at every rendering
// set-up, drawn by the model-to-texture pass.
#pragma once

class MdlModel;
extern MdlModel* studio_model;

// Loads app.model_file and selects sequence 13.  At start-up a missing or
// broken file prints a message and ends the process with code 1.
void LoadDefaultModel();
// Loads a newly chosen file; on failure shows an "Error" box, keeps the
// previous model and returns false.
bool LoadChosenModel(const char* path);
// Walk / sequence controls used by the special keys.
void SelectModelSequence(int sequence);
