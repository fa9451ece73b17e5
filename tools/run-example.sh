#!/usr/bin/env bash
# Runs a full comparison on the shipped example in a scratch directory under
# the build directory, so nothing is written into the source tree.
set -euo pipefail
build=${1:-build}
root=$(cd "$(dirname "$0")/.." && pwd)
scratch="$root/$build/example-run"
rm -rf "$scratch"
mkdir -p "$scratch"
cp "$root/examples/net.txt" "$scratch/net.txt"
cd "$scratch"
# shellcheck disable=SC2046
"$root/$build/gaussnet" $(cat "$root/examples/args.txt")
echo
echo
echo "res.txt ($scratch/res.txt):"
cat res.txt
echo
