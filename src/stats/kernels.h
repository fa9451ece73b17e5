#pragma once
// Small vector kernels for the factorisation. Each element of y receives
// exactly the scalar operation y[i] = y[i] - f * x[i] (no fused multiply-add),
// so results are bit-identical to the scalar loop; only independent elements
// are computed side by side, never parts of one sum.

namespace gaussnet {

void subtract_scaled(double* y, const double* x, double f, int count);

}  // namespace gaussnet
