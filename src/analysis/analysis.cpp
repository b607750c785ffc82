// Array routines over doubles.
#include "analysis/analysis.h"

#include <cstdint>

int Copy1D(const double *source, int n, double *destination) {
    if (n < 1) return ANALYSIS_ERR_COUNT;
    for (int i = 0; i < n; i++)
        destination[i] = source[i];
    return 0;
}

int Shift(const double *source, int n, int shift, double *destination) {
    if (n < 1) return ANALYSIS_ERR_COUNT;
    // The magnitude is taken in 64 bits: negating the most negative int would
    // overflow.
    std::int64_t magnitude = shift < 0 ? -static_cast<std::int64_t>(shift) : shift;
    if (magnitude >= n) return ANALYSIS_ERR_SHIFT;
    if (shift == 0) return Copy1D(source, n, destination);

    int s = static_cast<int>(magnitude);
    if (shift > 0) {
        // Downwards, so that an in-place move reads each value before it is overwritten.
        for (int i = n - s - 1; i >= 0; i--)
            destination[i + s] = source[i];
        for (int i = 0; i < s; i++)
            destination[i] = 0.0;
    } else {
        for (int i = 0; i < n - s; i++)
            destination[i] = source[i + s];
        for (int i = n - 1; i >= n - s; i--)
            destination[i] = 0.0;
    }
    return 0;
}
