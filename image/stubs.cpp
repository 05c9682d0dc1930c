// Placeholder until the BMP loader lands.
#include "image/bmp_loader.h"

RgbImage* LoadBitmapImage(const char*) { return nullptr; }
