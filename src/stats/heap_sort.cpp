#include "stats/heap_sort.h"

#include <vector>

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
    double value;
    int a;
    int b;

    double key() const { return value; }
    static held_triple take(const triple_view<two_companions>& view, std::size_t p) {
        return {view.keys[p - 1], view.companion_a[p - 1], two_companions ? view.companion_b[p - 1] : 0};
    }
    void put(const triple_view<two_companions>& view, std::size_t p) const {
        view.keys[p - 1] = value;
        view.companion_a[p - 1] = a;
        if constexpr (two_companions) view.companion_b[p - 1] = b;
    }
};

// One companion, kept beside its key: a sift step then touches one place in
// memory instead of two.
struct keyed {
    double key;
    int companion;
};

struct packed_view {
    keyed* entries;
    double key(std::size_t p) const { return entries[p - 1].key; }
    void copy(std::size_t to, std::size_t from) const { entries[to - 1] = entries[from - 1]; }
};

struct held_entry {
    keyed entry;
    double key() const { return entry.key; }
    static held_entry take(const packed_view& view, std::size_t p) { return {view.entries[p - 1]}; }
    void put(const packed_view& view, std::size_t p) const { view.entries[p - 1] = entry; }
};

template <typename View, typename Held>
void sort_positions(std::size_t n, const View& view) {
    std::size_t l = n / 2 + 1;
    std::size_t ir = n;
    for (;;) {
        Held held;
        if (l > 1) {
            held = Held::take(view, --l);
        } else {
            held = Held::take(view, ir);
            view.copy(ir, 1);
            if (--ir == 1) {
                held.put(view, 1);
                return;
            }
        }
        std::size_t i = l;
        std::size_t j = l + l;
        // Once a child is not greater than the held entry (an equal one or a
        // NaN included), the sift has stopped: the walk goes on down the
        // path of larger children to its end, moving nothing, so that the
        // stop costs no branch (it is a coin toss in the heap's building).
        bool stopped = false;
        while (j <= ir) {
            // The right child wins only when strictly greater.
            if (j < ir) j += static_cast<std::size_t>(view.key(j) < view.key(j + 1));
            stopped |= !(held.key() < view.key(j));
            const std::size_t from = stopped ? i : j;
            view.copy(i, from);
            i = from;
            j += j;
        }
        held.put(view, i);
    }
}

}  // namespace

void heap_sort3(std::size_t n, double* keys, int* companion_a, int* companion_b) {
    if (n < 2) return;
    if (companion_a != companion_b) {
        sort_positions<triple_view<true>, held_triple<true>>(n, triple_view<true>{keys, companion_a, companion_b});
        return;
    }
    // The same comparisons and moves on the packed pairs give the same permutation.
    thread_local std::vector<keyed> packed;
    packed.resize(n);
    for (std::size_t k = 0; k < n; ++k) packed[k] = {keys[k], companion_a[k]};
    sort_positions<packed_view, held_entry>(n, packed_view{packed.data()});
    for (std::size_t k = 0; k < n; ++k) {
        keys[k] = packed[k].key;
        companion_a[k] = packed[k].companion;
    }
}

}  // namespace gaussnet
