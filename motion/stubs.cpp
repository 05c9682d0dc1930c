// Placeholder until motion analysis lands.
#include "motion/motion.h"

MotionState motion;
bool ReadClock() { return true; }
bool PerSecondTimer() { return true; }
void MeasureMotion(int, int, const uint8_t*) {}
