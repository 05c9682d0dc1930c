#pragma once

// Thrown by the stand-in of ExitSequence().
struct ExitRequested {};
