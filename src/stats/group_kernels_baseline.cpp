// The lockstep kernels for any x86-64 processor.
#define GAUSSNET_KERNEL_ISA baseline
#include "stats/group_kernels_impl.h"
