// Array routines over doubles: copying and shifting (the strip-chart history).
// The straight-line fit of the calibration is in linfit.h.
//
// Each returns 0 on success or a negative code, and writes nothing on an error.
#pragma once

// Error codes of the array routines.
inline constexpr int ANALYSIS_ERR_COUNT = -20003; // n is 0 or negative
inline constexpr int ANALYSIS_ERR_SHIFT = -20102; // |shift| is n or more

// Copies n doubles from source to destination.
int Copy1D(const double *source, int n, double *destination);

// Moves n doubles by shift places (positive: towards higher indices) and fills
// the places left behind with 0.0. Source and destination may be the same array.
int Shift(const double *source, int n, int shift, double *destination);
