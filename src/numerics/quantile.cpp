// The inverse of the standard normal distribution function, by rational
// approximations in three ranges (relative error about 1e-16): the centre,
// the tails to about 5 standard deviations, and beyond.

#include <cmath>
#include <limits>

#include "numerics/numerics.h"

namespace gaussnet {

namespace {

constexpr double CENTRE_HALF_WIDTH = 0.425;
constexpr double CENTRE_SHIFT = 0.180625;  // CENTRE_HALF_WIDTH squared
constexpr double FAR_TAIL = 5.0;
constexpr double NEAR_SHIFT = 1.6;

// a[0] + a[1] r + ... + a[7] r^7 by Horner's rule, highest power first.
double polynomial(const double (&a)[8], double r) {
    double sum = a[7];
    for (int k = 6; k >= 0; --k) sum = sum * r + a[k];
    return sum;
}

constexpr double CENTRE_NUM[8] = {3.3871328727963666080e0,  1.3314166789178437745e+2, 1.9715909503065514427e+3,
                                  1.3731693765509461125e+4, 4.5921953931549871457e+4, 6.7265770927008700853e+4,
                                  3.3430575583588128105e+4, 2.5090809287301226727e+3};
constexpr double CENTRE_DEN[8] = {1.0,
                                  4.2313330701600911252e+1,
                                  6.8718700749205790830e+2,
                                  5.3941960214247511077e+3,
                                  2.1213794301586595867e+4,
                                  3.9307895800092710610e+4,
                                  2.8729085735721942674e+4,
                                  5.2264952788528545610e+3};
constexpr double NEAR_NUM[8] = {1.42343711074968357734e0,  4.63033784615654529590e0, 5.76949722146069140550e0,
                                3.64784832476320460504e0,  1.27045825245236838258e0, 2.41780725177450611770e-1,
                                2.27238449892691845833e-2, 7.74545014278341407640e-4};
constexpr double NEAR_DEN[8] = {1.0,
                                2.05319162663775882187e0,
                                1.67638483018380384940e0,
                                6.89767334985100004550e-1,
                                1.48103976427480074590e-1,
                                1.51986665636164571966e-2,
                                5.47593808499534494600e-4,
                                1.05075007164441684324e-9};
constexpr double FAR_NUM[8] = {6.65790464350110377720e0,  5.46378491116411436990e0,  1.78482653991729133580e0,
                               2.96560571828504891230e-1, 2.65321895265761230930e-2, 1.24266094738807843860e-3,
                               2.71155556874348757815e-5, 2.01033439929228813265e-7};
constexpr double FAR_DEN[8] = {1.0,
                               5.99832206555887937690e-1,
                               1.36929880922735805310e-1,
                               1.48753612908506148525e-2,
                               7.86869131145613259100e-4,
                               1.84631831751005468180e-5,
                               1.42151175831644588870e-7,
                               2.04426310338993978564e-15};

}  // namespace

double normal_quantile(double p) {
    if (!(p >= 0.0 && p <= 1.0)) {
        numerics_error("normal_quantile", "Invalid p parameter");
        return std::numeric_limits<double>::quiet_NaN();
    }
    const double q = p - 0.5;
    if (std::fabs(q) <= CENTRE_HALF_WIDTH) {
        const double r = CENTRE_SHIFT - q * q;
        return q * polynomial(CENTRE_NUM, r) / polynomial(CENTRE_DEN, r);
    }
    // The smaller tail's probability; 1 - p is exact here (p > 0.925).
    const double tail = q < 0 ? p : 1.0 - p;
    if (tail == 0.0) return q < 0 ? -std::numeric_limits<double>::infinity() : std::numeric_limits<double>::infinity();
    double r = std::sqrt(-std::log(tail));
    double value = 0.0;
    if (r <= FAR_TAIL) {
        r -= NEAR_SHIFT;
        value = polynomial(NEAR_NUM, r) / polynomial(NEAR_DEN, r);
    } else {
        r -= FAR_TAIL;
        value = polynomial(FAR_NUM, r) / polynomial(FAR_DEN, r);
    }
    return q < 0 ? -value : value;
}

}  // namespace gaussnet
