// The one value of an undirected edge from the rows of its two ends.
#include "common/edge_evidence.h"

#include <gtest/gtest.h>

#include <cmath>

namespace gaussnet {
namespace {

TEST(EdgeEvidence, OneEndsEntryOrTheWeakerOfBoth) {
    evidence_rows rows(4);
    rows[0] = {{1, {0.5, 0.01}}, {2, {0.4, 0.02}}, {3, {-0.3, 0.04}}};
    rows[1] = {{0, {0.6, 0.001}}};
    rows[2] = {{0, {0.2, 0.02}}};
    rows[3] = {{0, {-0.35, 0.04}}, {2, {0.7, 1e-9}}};
    const struct {
        int a, b;
        double r;  // NaN: no evidence
    } cases[] = {
        {0, 1, 0.5},   // both ends: the larger p-value
        {1, 0, 0.5},   // the same whichever end asks
        {0, 2, 0.2},   // equal p-values: the smaller |r|
        {0, 3, -0.3},  // equal p-values, |-0.3| < |-0.35|
        {2, 3, 0.7},   // one end only
        {1, 2, NAN},   // neither
        {1, 9, NAN},   // beyond the rows
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.a << "-" << c.b);
        const std::optional<edge_evidence> found = evidence_of(rows, c.a, c.b);
        if (c.r != c.r) {
            EXPECT_FALSE(found.has_value());
        } else {
            ASSERT_TRUE(found.has_value());
            EXPECT_EQ(found->partial_correlation, c.r);
        }
    }
}

}  // namespace
}  // namespace gaussnet
