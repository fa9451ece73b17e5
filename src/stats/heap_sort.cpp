#include "stats/heap_sort.h"

namespace gaussnet {

namespace {

// Positions run 1..n; position p is the caller's element p - 1. With one
// companion array passed twice, the second companion is left out: the array
// is permuted once, exactly as the two copies would be.
template <bool two_companions>
struct triple_view {
    double* keys;
    int* companion_a;
    int* companion_b;

    double key(std::size_t p) const { return keys[p - 1]; }
    void copy(std::size_t to, std::size_t from) const {
        keys[to - 1] = keys[from - 1];
        companion_a[to - 1] = companion_a[from - 1];
        if constexpr (two_companions) companion_b[to - 1] = companion_b[from - 1];
    }
};

template <bool two_companions>
struct held_triple {
    double key;
    int a;
    int b;

    static held_triple take(const triple_view<two_companions>& view, std::size_t p) {
        return {view.keys[p - 1], view.companion_a[p - 1], two_companions ? view.companion_b[p - 1] : 0};
    }
    void put(const triple_view<two_companions>& view, std::size_t p) const {
        view.keys[p - 1] = key;
        view.companion_a[p - 1] = a;
        if constexpr (two_companions) view.companion_b[p - 1] = b;
    }
};

template <bool two_companions>
void sort_positions(std::size_t n, const triple_view<two_companions>& view) {
    using held_t = held_triple<two_companions>;
    std::size_t l = n / 2 + 1;
    std::size_t ir = n;
    for (;;) {
        held_t held;
        if (l > 1) {
            held = held_t::take(view, --l);
        } else {
            held = held_t::take(view, ir);
            view.copy(ir, 1);
            if (--ir == 1) {
                held.put(view, 1);
                return;
            }
        }
        std::size_t i = l;
        std::size_t j = l + l;
        while (j <= ir) {
            if (j < ir && view.key(j) < view.key(j + 1)) ++j;  // the right child wins only when strictly greater
            if (!(held.key < view.key(j))) break;              // an equal child (or a NaN) stops the sift
            view.copy(i, j);
            i = j;
            j += j;
        }
        held.put(view, i);
    }
}

}  // namespace

void heap_sort3(std::size_t n, double* keys, int* companion_a, int* companion_b) {
    if (n < 2) return;
    if (companion_a == companion_b) {
        sort_positions<false>(n, triple_view<false>{keys, companion_a, companion_b});
    } else {
        sort_positions<true>(n, triple_view<true>{keys, companion_a, companion_b});
    }
}

}  // namespace gaussnet
