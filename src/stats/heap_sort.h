#pragma once

#include <cstddef>

namespace gaussnet {

// In-place heap sort of keys into ascending order, applying the same
// permutation to both companion arrays (which may be the same array). Not
// stable: equal keys leave in the order fixed by the sift steps, and rankings
// downstream depend on that order. Arrays are the caller's 0-based arrays.
void heap_sort3(std::size_t n, double* keys, int* companion_a, int* companion_b);

}  // namespace gaussnet
