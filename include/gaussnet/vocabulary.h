#pragma once
// The names of what gaussnet learns with and reports, and the limits of its
// settings, defined once: the command line, the library, the learners and the
// Python and R bindings all read them from here. Plain C++20, standard types
// only, so that every room and every binding may include it.
//
// Code that dispatches on a kind does so by a switch with no default branch;
// the build makes a missing case an error, so a new kind is handled wherever
// kinds are told apart or the build fails.

#include <array>
#include <cctype>
#include <cstdint>
#include <optional>
#include <string_view>

namespace gaussnet::api {

// The kind of all that name_of names exactly so; none for another name.
template <typename Kind, std::size_t N>
constexpr std::optional<Kind> kind_named(const std::array<Kind, N>& all, const char* (*name_of)(Kind),
                                         std::string_view name) {
    for (const Kind kind : all)
        if (name == name_of(kind)) return kind;
    return std::nullopt;
}

// The learners of a comparison, in the order they run.
enum class learner_kind { ee, iamb2, iamb1 };
inline constexpr std::array<learner_kind, 3> all_learners = {learner_kind::ee, learner_kind::iamb2,
                                                             learner_kind::iamb1};
// The learner of a local run (and of its bootstrap).
inline constexpr learner_kind local_learner = learner_kind::iamb2;

// "EE", "IAMB2", "IAMB1": a run's name in results, tables and options.
constexpr const char* learner_name(learner_kind kind) {
    switch (kind) {
        case learner_kind::ee:
            return "EE";
        case learner_kind::iamb2:
            return "IAMB2";
        case learner_kind::iamb1:
            return "IAMB1";
    }
    return "";
}

// The learner a name means, in any case ("iamb2" is IAMB2); none for another name.
inline std::optional<learner_kind> learner_named(std::string_view name) {
    for (const learner_kind kind : all_learners) {
        const std::string_view known = learner_name(kind);
        if (known.size() != name.size()) continue;
        bool same = true;
        for (std::size_t i = 0; i < known.size(); ++i)
            same = same && std::toupper(static_cast<unsigned char>(name[i])) == known[i];
        if (same) return kind;
    }
    return std::nullopt;
}

// The statistic of a conditional independence test.
enum class test_statistic {
    fisher_z,   // Fisher's z with the normal distribution (the program's exact 0)
    student_t,  // the exact Student t statistic (exact 1)
};

// The matrix the learners learn from: the covariance of the values, or a
// rank-based correlation mapped to the Gaussian scale (the copula model),
// which stays the same under any increasing transformation of a variable.
// The partial correlations are scale-free, so the tests need no other change.
enum class correlation_type {
    pearson,   // the maximum-likelihood covariance
    spearman,  // 2 sin(pi/6 rho) of Spearman's rho (average ranks for ties)
    kendall,   // sin(pi/2 tau) of Kendall's tau-b
    normal,    // the covariance of normal scores: Phi^-1(rank / (n + 1)), average ranks for ties
};
inline constexpr std::array<correlation_type, 4> all_correlations = {
    correlation_type::pearson, correlation_type::spearman, correlation_type::kendall, correlation_type::normal};

// "pearson", "spearman", "kendall", "normal": as the program's --correlation names them.
constexpr const char* correlation_name(correlation_type type) {
    switch (type) {
        case correlation_type::pearson:
            return "pearson";
        case correlation_type::spearman:
            return "spearman";
        case correlation_type::kendall:
            return "kendall";
        case correlation_type::normal:
            return "normal";
    }
    return "";
}

// The correlation a name means (exactly as correlation_name writes it); none for another name.
constexpr std::optional<correlation_type> correlation_named(std::string_view name) {
    return kind_named(all_correlations, correlation_name, name);
}

// What a missing value (NaN) does: an error naming its case and variable, or
// (complete) the cases holding one are left out.
enum class missing_values { error, complete };
inline constexpr std::array<missing_values, 2> all_missing_values = {missing_values::error, missing_values::complete};

// "error", "complete": as the library's callers name them (the program's --missing complete).
constexpr const char* missing_values_name(missing_values missing) {
    switch (missing) {
        case missing_values::error:
            return "error";
        case missing_values::complete:
            return "complete";
    }
    return "";
}

constexpr std::optional<missing_values> missing_values_named(std::string_view name) {
    return kind_named(all_missing_values, missing_values_name, name);
}

// An undirected edge's verdict against the true network.
enum class edge_status {
    learned,  // no true network given
    tp,       // learned and true
    fp,       // learned, not true
    fn,       // true, not learned
};
inline constexpr std::array<edge_status, 4> all_edge_statuses = {edge_status::learned, edge_status::tp, edge_status::fp,
                                                                 edge_status::fn};

// The status as the export's edges file writes it: "learned", "tp", "fp", "fn".
constexpr const char* status_text(edge_status status) {
    switch (status) {
        case edge_status::learned:
            return "learned";
        case edge_status::tp:
            return "tp";
        case edge_status::fp:
            return "fp";
        case edge_status::fn:
            return "fn";
    }
    return "";
}

// What is known of a pair of variables before learning: nothing (the data
// decide), that they are never joined, or that they always are.
enum class pair_knowledge : std::uint8_t { free, forbidden, required };

// The most required neighbours one variable may have with n_cases cases:
// every test of its blanket conditions on all of them, and a test needs at
// least one degree of freedom beyond them (Fisher's z: n_cases - c - 3).
constexpr long long max_required_neighbours(long long n_cases) { return n_cases - 4; }

// Threads a call may ask for (0 asks for the cores this process may use).
inline constexpr int max_threads = 4096;
// Resamples a bootstrap may ask for: 1 to this.
inline constexpr int max_resamples = 100000000;

}  // namespace gaussnet::api
