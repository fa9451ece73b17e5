#include "learners/adjustment.h"

namespace gaussnet {

double harmonic_number(long long terms) {
    double h = 0;
    for (long long k = 1; k <= terms; ++k) h = h + 1.0 / static_cast<double>(k);
    return h;
}

}  // namespace gaussnet
