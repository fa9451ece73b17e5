#pragma once
// Dense row-major matrices in one contiguous block, with row access.

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

namespace gaussnet {

template <typename T>
class Matrix {
public:
    Matrix() = default;
    Matrix(std::int64_t rows, std::int64_t cols, T fill = T{})
        : rows_(rows), cols_(cols), cells_(static_cast<std::size_t>(rows * cols), fill) {}
    // Takes over cells filled row by row elsewhere (rows * cols of them).
    Matrix(std::int64_t rows, std::int64_t cols, std::vector<T>&& cells)
        : rows_(rows), cols_(cols), cells_(std::move(cells)) {}

    std::int64_t rows() const { return rows_; }
    std::int64_t cols() const { return cols_; }
    bool empty() const { return cells_.empty(); }

    T* row(std::int64_t r) { return cells_.data() + r * cols_; }
    const T* row(std::int64_t r) const { return cells_.data() + r * cols_; }
    T& operator()(std::int64_t r, std::int64_t c) { return cells_[static_cast<std::size_t>(r * cols_ + c)]; }
    const T& operator()(std::int64_t r, std::int64_t c) const {
        return cells_[static_cast<std::size_t>(r * cols_ + c)];
    }

    T* data() { return cells_.data(); }
    const T* data() const { return cells_.data(); }

    bool operator==(const Matrix& other) const = default;

private:
    std::int64_t rows_ = 0;
    std::int64_t cols_ = 0;
    std::vector<T> cells_;
};

using DoubleMatrix = Matrix<double>;
using FloatMatrix = Matrix<float>;
using ByteMatrix = Matrix<std::uint8_t>;

}  // namespace gaussnet
