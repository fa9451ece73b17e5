#!/usr/bin/env bash
# Runs a full comparison on the shipped example in a scratch directory under
# the build directory, so nothing is written into the source tree. The first
# word of examples/args.txt names the data file inside examples/.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-build}
case "$build" in /*) ;; *) build="$root/$build" ;; esac
scratch="$build/example-run"
rm -rf "$scratch"
mkdir -p "$scratch"
cp "$root/examples/net.txt" "$scratch/net.txt"
read -r data_file rest < "$root/examples/args.txt"
cd "$scratch"
# shellcheck disable=SC2086
"$build/gaussnet" "$root/examples/$data_file" $rest
echo
echo
echo "res.txt ($scratch/res.txt):"
cat res.txt
echo
