// The settings' checks, made by every entry point before it reads the data,
// and by the bindings for their callers' values.

#include <cmath>

#include "common/text.h"
#include "gaussnet/gaussnet.h"

namespace gaussnet::api {

void check(const settings& options, bool local) {
    // NaN fails every comparison with alpha / 2, so every pair would be dependent.
    if (!(options.alpha > 0.0 && options.alpha < 1.0))
        throw input_error(strprintf("alpha: %g; give a significance level above 0 and below 1.", options.alpha));
    if (options.threads < 0 || options.threads > max_threads)
        throw input_error(
            strprintf("threads: %d; give 1 to %d, or 0 for the available cores.", options.threads, max_threads));
    if (local && options.local_radius < 0)
        throw input_error(strprintf("radius: %d; give the number of rings, 0 or more.", options.local_radius));
}

void check(const bootstrap_settings& resampling) {
    if (resampling.resamples < 1 || resampling.resamples > max_resamples)
        throw input_error(
            strprintf("resamples: %d; give a whole number from 1 to %d.", resampling.resamples, max_resamples));
    if (!(resampling.threshold > 0.0 && resampling.threshold <= 1.0))
        throw input_error(
            strprintf("threshold: %g; give a share of the resamples above 0 and at most 1.", resampling.threshold));
}

}  // namespace gaussnet::api
