#!/usr/bin/env bash
# Checks for the build and test tools gaussnet needs and installs the missing
# ones from Debian's archive when run as root (a fresh machine of this kind
# has them all; a bare Debian machine gets them here).
set -euo pipefail

packages=()
command -v g++ >/dev/null 2>&1 || packages+=(g++)
command -v cmake >/dev/null 2>&1 || packages+=(cmake)
command -v make >/dev/null 2>&1 || packages+=(make)
[ -f /usr/lib/x86_64-linux-gnu/cmake/GTest/GTestConfig.cmake ] || [ -n "$(find /usr/lib /usr/share -name GTestConfig.cmake -print -quit 2>/dev/null)" ] || packages+=(libgtest-dev libgmock-dev)
[ -n "$(find /usr/lib /usr/share -name benchmarkConfig.cmake -print -quit 2>/dev/null)" ] || packages+=(libbenchmark-dev)
command -v python3 >/dev/null 2>&1 || packages+=(python3)
# Graphviz renders the exported graphs in the tests (they skip without it).
command -v dot >/dev/null 2>&1 || packages+=(graphviz)
# strace stops a run at a chosen system call in the tests (they skip without it).
command -v strace >/dev/null 2>&1 || packages+=(strace)
# clang-format checks the layout of the sources (tools/check-format.sh).
command -v clang-format >/dev/null 2>&1 || packages+=(clang-format)
# clang and its runtime libraries (libFuzzer, the sanitizers) for make fuzz.
command -v clang++ >/dev/null 2>&1 || packages+=(clang)
[ -n "$(find /usr/lib/llvm-* -name 'libclang_rt.fuzzer-*.a' -print -quit 2>/dev/null)" ] || packages+=(libclang-rt-dev)
# Open MPI for gaussnet-mpi and its tests (gaussnet itself needs no MPI).
command -v mpirun >/dev/null 2>&1 || packages+=(openmpi-bin)
[ -n "$(find /usr/include /usr/lib/x86_64-linux-gnu/openmpi/include -name mpi.h -print -quit 2>/dev/null)" ] || packages+=(libopenmpi-dev)

if [ ${#packages[@]} -eq 0 ]; then
    exit 0
fi
echo "gaussnet: installing missing packages: ${packages[*]}" >&2
if [ "$(id -u)" -ne 0 ]; then
    echo "gaussnet: run as root, or install these packages: ${packages[*]}" >&2
    exit 1
fi
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq "${packages[@]}"
