// Least-squares straight line.
#include "analysis/linfit.h"

int LinFit(const double *x, const double *y, int n, double *z, double *slope, double *intercept,
           double *mse) {
    if (n < 2) return ANALYSIS_ERR_POINTS;

    // The sums in the widest type there is: Sx squared and n Sxx nearly
    // cancel when the points lie close together.
    long double sx = 0.0L, sxx = 0.0L, sy = 0.0L, sxy = 0.0L;
    for (int i = 0; i < n; i++) {
        const long double xi = x[i], yi = y[i];
        sx += xi;
        sxx += xi * xi;
        sy += yi;
        sxy += xi * yi;
    }
    // Both signs reversed against the textbook form; the quotients are the same.
    const long double d = sx * sx - n * sxx;
    *slope = static_cast<double>((sx * sy - n * sxy) / d);
    *intercept = static_cast<double>((sx * sxy - sxx * sy) / d);

    long double sum = 0.0L;
    for (int i = 0; i < n; i++) {
        z[i] = *slope * x[i] + *intercept;
        const long double r = static_cast<long double>(z[i]) - y[i];
        sum += r * r;
    }
    *mse = static_cast<double>(sum / n);
    return 0;
}
