#pragma once
// What a conditional independence test is, besides the covariances: the kind
// of statistic, the number of cases behind the estimate, the level, and how
// the data became the matrix tested.

#include "common/correlation_kind.h"

#include "gaussnet/vocabulary.h"

namespace gaussnet {

using test_kind = api::test_statistic;

struct test_setting {
    test_kind kind = test_kind::fisher_z;
    int n_cases = 0;
    double alpha = 0.0;  // each test is two-sided: p is compared with alpha / 2
    correlation_kind correlation = correlation_kind::pearson;
};

}  // namespace gaussnet
