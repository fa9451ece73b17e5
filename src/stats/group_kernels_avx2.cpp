// The lockstep kernels for processors with AVX2 (this file is compiled with -mavx2).
#define GAUSSNET_KERNEL_ISA avx2
#include "stats/group_kernels_impl.h"
