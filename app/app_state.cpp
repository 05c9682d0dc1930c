#include "app/app_state.h"

Application app;
