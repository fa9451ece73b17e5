#pragma once
// What one rank learned in one farm, as it travels to every rank: one block
// of ints, written by pack_block and read by unpack_block, side by side here.
//
//   word 0, 1   tests run (high and low 32 bits)
//   word 2      the lowest list position that failed, or NO_TARGET
//   word 3      that failure's exit status
//   word 4      that failure's text length in bytes
//   word 5      the rows' length in words
//   then        the text, padded with zero bytes to whole words
//   then        the rows: per row its list position, its member count, its
//               members, then per member its partial correlation and p-value
//               (each double's bits as two words)

#include <climits>
#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "cluster/batch.h"
#include "common/edge_evidence.h"
#include "common/fatal_error.h"

namespace gaussnet::cluster {

// The learned rows of one block, appended one at a time.
class row_words {
public:
    // Appends the row of list position: the variables whose flag is 1, and
    // the evidence for them (one entry per member, or none).
    void add(int position, const std::vector<std::uint8_t>& flags, const std::vector<member_evidence>& evidence) {
        words_.push_back(position);
        const std::size_t count_at = words_.size();
        words_.push_back(0);
        for (int j = 0; j < static_cast<int>(flags.size()); ++j)
            if (flags[j] == 1) words_.push_back(j);
        const int count = static_cast<int>(words_.size() - count_at - 1);
        words_[count_at] = count;
        for (int k = 0; k < count; ++k) {
            const member_evidence* entry = static_cast<std::size_t>(k) < evidence.size() ? &evidence[k] : nullptr;
            push_double(entry ? entry->evidence.partial_correlation : 0.0);
            push_double(entry ? entry->evidence.p_value : 0.0);
        }
        ++rows_;
    }
    long long rows() const { return rows_; }
    const std::vector<int>& words() const { return words_; }

private:
    void push_double(double value) {
        int halves[2];
        std::memcpy(halves, &value, sizeof value);
        words_.insert(words_.end(), halves, halves + 2);
    }

    std::vector<int> words_;
    long long rows_ = 0;
};

inline constexpr std::size_t WORDS_PER_EVIDENCE = 2 * sizeof(double) / sizeof(int);

// One block's fields; failure_text and rows view the block they were read from.
struct farm_block {
    long long tests = 0;
    int failed = NO_TARGET;
    int failure_status = 0;
    std::string_view failure_text;
    std::span<const int> rows;
};

namespace wire {

inline constexpr std::size_t HEADER_WORDS = 6;

inline std::size_t text_words(std::size_t text_bytes) { return (text_bytes + sizeof(int) - 1) / sizeof(int); }

}  // namespace wire

// Where each rank's words go in a gather: MPI counts them in ints, so a gather
// whose words would not fit one is refused (by every rank, which all know every
// size) rather than wrapped round.
struct gather_layout {
    std::vector<int> sizes;
    std::vector<int> starts;
    std::int64_t total = 0;
};

inline gather_layout layout_of(std::span<const std::int64_t> sizes, const char* refusal) {
    gather_layout layout{std::vector<int>(sizes.size()), std::vector<int>(sizes.size(), 0), 0};
    for (std::size_t r = 0; r < sizes.size(); ++r) {
        if (sizes[r] > INT_MAX - layout.total) throw fatal_error(refusal);
        layout.starts[r] = static_cast<int>(layout.total);
        layout.sizes[r] = static_cast<int>(sizes[r]);
        layout.total += sizes[r];
    }
    return layout;
}

inline std::vector<int> pack_block(const farm_block& block) {
    const auto tests = static_cast<unsigned long long>(block.tests);
    std::vector<int> packed = {static_cast<int>(tests >> 32),
                               static_cast<int>(tests & 0xffffffffU),
                               block.failed,
                               block.failure_status,
                               static_cast<int>(block.failure_text.size()),
                               static_cast<int>(block.rows.size())};
    packed.resize(wire::HEADER_WORDS + wire::text_words(block.failure_text.size()), 0);
    std::memcpy(packed.data() + wire::HEADER_WORDS, block.failure_text.data(), block.failure_text.size());
    packed.insert(packed.end(), block.rows.begin(), block.rows.end());
    return packed;
}

// Reads the block that starts at words.
inline farm_block unpack_block(const int* words) {
    farm_block block;
    block.tests = static_cast<long long>((static_cast<unsigned long long>(static_cast<unsigned>(words[0])) << 32) |
                                         static_cast<unsigned>(words[1]));
    block.failed = words[2];
    block.failure_status = words[3];
    const auto text_bytes = static_cast<std::size_t>(words[4]);
    block.failure_text = std::string_view(reinterpret_cast<const char*>(words + wire::HEADER_WORDS), text_bytes);
    block.rows = std::span<const int>(words + wire::HEADER_WORDS + wire::text_words(text_bytes),
                                      static_cast<std::size_t>(words[5]));
    return block;
}

// Member k's evidence in a row's evidence words, as row_words wrote it.
inline edge_evidence evidence_at(std::span<const int> words, std::size_t k) {
    edge_evidence evidence;
    std::memcpy(&evidence.partial_correlation, words.data() + k * WORDS_PER_EVIDENCE, sizeof(double));
    std::memcpy(&evidence.p_value, words.data() + k * WORDS_PER_EVIDENCE + 2, sizeof(double));
    return evidence;
}

// Calls row(position, members, evidence words) for every row of a block.
template <typename Row>
void for_each_row(std::span<const int> rows, Row&& row) {
    for (std::size_t at = 0; at < rows.size();) {
        const auto count = static_cast<std::size_t>(rows[at + 1]);
        row(rows[at], rows.subspan(at + 2, count), rows.subspan(at + 2 + count, count * WORDS_PER_EVIDENCE));
        at += 2 + count + count * WORDS_PER_EVIDENCE;
    }
}

}  // namespace gaussnet::cluster
