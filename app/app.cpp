#include "app/app.h"

Application app;
