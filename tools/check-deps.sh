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
# npm fetches the HTML report's graph-drawing library when the program is
# built (without it the program is built without the report); headless
# Chromium opens reports in the tests (they skip without it).
command -v npm >/dev/null 2>&1 || packages+=(nodejs npm)
command -v chromium >/dev/null 2>&1 || packages+=(chromium)
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
# The Python module (pybind11, numpy) for Debian's own interpreter, /usr/bin/python3,
# its tests and example (pytest, pandas, networkx, matplotlib), and what installing
# it into a virtual environment takes (venv, pip, setuptools).
for package in pybind11-dev python3-pybind11 python3-dev python3-numpy python3-pytest python3-pandas \
    python3-networkx python3-matplotlib python3-venv python3-pip python3-setuptools; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "ok installed" || packages+=("$package")
done

# The R package: R with its headers, Rcpp; testthat for its tests, igraph for
# as_igraph() and the example's picture.
for package in r-base-dev r-cran-rcpp r-cran-testthat r-cran-igraph; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "ok installed" || packages+=("$package")
done

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
