#pragma once
// Lists of variable pairs known beforehand (--forbid, --require, the
// library's forbid and require): read, looked up among the data's names and
// checked into one pair_constraints.

#include <span>
#include <string>
#include <vector>

#include "common/pair_constraints.h"

namespace gaussnet {

// One pair as listed: two names and where it stands (a file's line, or its
// place in a list), from 1.
struct listed_pair {
    std::string first;
    std::string second;
    long long place = 0;
};

struct pair_list {
    std::string source;          // names the list in messages: "--forbid file pairs.csv", "forbid"
    std::string place = "line";  // what a place counts: "line", "pair"
    std::vector<listed_pair> pairs;
};

// A CSV file of pairs: two names a line, as the data file's header writes
// names (quotes allowed), an optional header line "source,target", blank
// lines and lines starting with '#' skipped. Throws fatal_error for a file
// that cannot be read or a line without exactly two names.
pair_list read_pair_file(const std::string& path, const std::string& option);

// The pairs as indices of names (the first variable of each name). Throws
// fatal_error for a name that is no variable's, a variable paired with
// itself, a pair both forbidden and required, and a variable with more
// required neighbours than n_cases allow to test.
pair_constraints resolve_pairs(const pair_list& forbid, const pair_list& require, std::span<const std::string> names,
                               int n_cases);

}  // namespace gaussnet
