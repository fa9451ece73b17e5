#include "cluster/wire.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <numeric>
#include <string>
#include <vector>

namespace gaussnet::cluster {
namespace {

struct learned_row {
    int position;
    std::vector<int> members;
    std::vector<double> partial_correlations;  // one per member; p-values are their halves
    bool operator==(const learned_row&) const = default;
};

// A block read back gives what was written: tests beyond 32 bits, texts of
// every padding, rows with and without members.
TEST(FarmBlock, UnpacksWhatWasPacked) {
    const struct {
        long long tests;
        int failed;
        int status;
        std::string text;
        std::vector<learned_row> rows;
    } cases[] = {
        {0, NO_TARGET, 0, "", {}},
        {(1LL << 32) + 7, NO_TARGET, 0, "", {{0, {1, 4}, {-0.1, 0.3}}, {3, {}, {}}, {2, {0}, {1e-300}}}},
        {(1LL << 40) - 1, 12, 1, "Matrix not positive definite.", {{12, {}, {}}}},
        {5, 0, 3, "abcd", {{1, {0, 2, 3}, {-0.0, 0.1 + 0.2, -1}}}},
        {5, 0, 3, "abcde", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        row_words rows;
        for (const learned_row& row : c.rows) {
            std::vector<std::uint8_t> flags(6, 0);
            for (const int member : row.members) flags[static_cast<std::size_t>(member)] = 1;
            flags[5] = 2;  // a member only when exactly 1
            std::vector<member_evidence> evidence;
            for (std::size_t k = 0; k < row.members.size(); ++k)
                evidence.push_back({row.members[k], {row.partial_correlations[k], row.partial_correlations[k] / 2}});
            rows.add(row.position, flags, evidence);
        }
        EXPECT_EQ(rows.rows(), static_cast<long long>(c.rows.size()));
        const std::vector<int> packed = pack_block({c.tests, c.failed, c.status, c.text, rows.words()});
        const farm_block block = unpack_block(packed.data());
        EXPECT_EQ(block.tests, c.tests);
        EXPECT_EQ(block.failed, c.failed);
        EXPECT_EQ(block.failure_status, c.status);
        EXPECT_EQ(block.failure_text, c.text);
        std::vector<learned_row> read;
        for_each_row(block.rows, [&](int position, std::span<const int> members, std::span<const int> evidence) {
            learned_row row{position, std::vector<int>(members.begin(), members.end()), {}};
            for (std::size_t k = 0; k < members.size(); ++k) {
                const edge_evidence e = evidence_at(evidence, k);
                row.partial_correlations.push_back(e.partial_correlation);
                EXPECT_EQ(std::signbit(e.partial_correlation),
                          std::signbit(c.rows[read.size()].partial_correlations[k]));
                EXPECT_EQ(e.p_value, e.partial_correlation / 2);
            }
            read.push_back(row);
        });
        EXPECT_EQ(read, c.rows);
        EXPECT_EQ(block.rows.data() + block.rows.size(), packed.data() + packed.size());
    }
}

// MPI counts a gather's words in ints: a layout that would pass INT_MAX words
// in all is refused, never wrapped round into negative offsets.
TEST(GatherLayout, OffsetsUpToIntMaxAndRefusedBeyond) {
    const std::int64_t most = INT_MAX;
    struct {
        std::vector<std::int64_t> sizes;
        bool fits;
        std::vector<int> starts;
    } cases[] = {
        {{3, 0, 5}, true, {0, 3, 3}},
        {{most}, true, {0}},
        {{most - 1, 1}, true, {0, static_cast<int>(most - 1)}},
        {{most, 1}, false, {}},
        {{most / 2 + 1, most / 2 + 1}, false, {}},
        {{4 * most, 0}, false, {}},
    };
    for (const auto& c : cases) {
        if (!c.fits) {
            EXPECT_THROW(layout_of(c.sizes, "refused"), fatal_error);
            continue;
        }
        const gather_layout layout = layout_of(c.sizes, "refused");
        EXPECT_EQ(layout.starts, c.starts);
        EXPECT_EQ(layout.total, std::accumulate(c.sizes.begin(), c.sizes.end(), std::int64_t{0}));
    }
}

}  // namespace
}  // namespace gaussnet::cluster
