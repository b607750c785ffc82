// The straight-line fit of the two-point calibration: least squares over
// caller-owned arrays, with the status convention of the other array
// routines (0, or a negative code and nothing written).
#pragma once

inline constexpr int ANALYSIS_ERR_POINTS = -20006; // fewer than two points

// Fits y = slope x + intercept through the n points (x[i], y[i]); z[i] gets
// the line's value at x[i], mse the sum of squared residuals divided by n.
// With all x equal the divisions are carried out as they stand: slope and
// intercept are then not finite, and the result is still 0.
int LinFit(const double *x, const double *y, int n, double *z, double *slope, double *intercept,
           double *mse);
