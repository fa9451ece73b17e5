#pragma once
// Rank-based correlation matrices and the matrix the learners learn from.
// Every entry is computed by one thread from integer counts or exact ranks in
// a fixed order, so the bits are the same at every thread count.

#include <string>

#include "common/correlation_kind.h"
#include "common/matrix.h"
#include "common/run_context.h"

namespace gaussnet {

// Spearman's rho of every pair: the Pearson correlation of the variables'
// ranks, tied values taking the average of their ranks. A constant variable
// has a zero row and column (its correlations are undefined).
void spearman_matrix(const FloatMatrix& data, int n_threads, DoubleMatrix& rho);

// Kendall's tau-b of every pair, corrected for ties in either variable, in
// O(n_cases log n_cases) a pair. A constant variable as above.
void kendall_matrix(const FloatMatrix& data, int n_threads, DoubleMatrix& tau);

// Each value replaced by its normal score, Phi^-1(rank / (n_cases + 1)), tied
// values sharing the score of their average rank; a constant variable scores 0.
FloatMatrix normal_scores(const FloatMatrix& data, int n_threads);

// The Gaussian correlation that gives a rank correlation under the copula
// model: 2 sin(pi/6 rho) for Spearman's, sin(pi/2 tau) for Kendall's, kept
// within [-1, 1] (+-1 where the ranks agree perfectly).
double gaussian_from_spearman(double rho);
double gaussian_from_kendall(double tau);

// A correlation matrix (unit diagonal) that is not positive definite made so
// by shrinking its correlations toward 0: (1 - s) r for the smallest s found
// that makes it so, plus a margin that leaves its smallest eigenvalue near
// 0.01. Returns s (0: the matrix was positive definite, or has a zero on its
// diagonal, a constant variable, and is left as it is).
double shrink_to_positive_definite(DoubleMatrix& matrix);

// What the learners learn from: the covariance of the data (pearson) or of
// their normal scores (normal), or the mapped rank correlation matrix, with a
// unit diagonal but for constant variables, and with more cases than
// variables shrunk to be positive definite where the map did not keep it so
// (a test matrix that is not would stop a learner). matrix must be
// n_vars x n_vars. Returns the shrinkage applied (0: none).
double estimate_association(const FloatMatrix& data, correlation_kind kind, int n_threads, DoubleMatrix& matrix);

// The note that a rank-based matrix was shrunk by the factor shrink.
std::string shrinkage_note(correlation_kind kind, double shrink);

// The association matrix of the data, estimated on first use and then shared
// by the runs of one invocation: every run would estimate the same matrix.
// A shrinkage is noted to notes (if given) when the matrix is estimated.
class shared_association {
public:
    shared_association(const FloatMatrix& data, correlation_kind kind, int n_threads, run_context* notes = nullptr)
        : data_(data), kind_(kind), n_threads_(n_threads), notes_(notes) {}
    const DoubleMatrix& get() {
        if (!estimated_) {
            matrix_ = DoubleMatrix(data_.cols(), data_.cols());
            const double shrink = estimate_association(data_, kind_, n_threads_, matrix_);
            if (shrink > 0 && notes_) notes_->report(event_kind::note, shrinkage_note(kind_, shrink));
            estimated_ = true;
        }
        return matrix_;
    }

private:
    const FloatMatrix& data_;
    correlation_kind kind_;
    int n_threads_;
    run_context* notes_;
    DoubleMatrix matrix_;
    bool estimated_ = false;
};

}  // namespace gaussnet
