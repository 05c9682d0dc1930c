#include "render/model_pass.h"

ModelPassState model_pass;
