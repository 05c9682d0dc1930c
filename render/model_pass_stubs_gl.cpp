// Placeholder until the model pass lands.
#include "render/model_pass.h"

uint8_t scene_buffer[1];
uint8_t shadow_buffer[1];
void ModelToTexturePass(int, int, uint8_t*, uint8_t*, bool) {}
