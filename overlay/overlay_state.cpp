#include "overlay/overlay.h"

OverlayState overlay;
