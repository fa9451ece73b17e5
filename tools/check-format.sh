#!/usr/bin/env bash
# Checks that every C++ source under src, include, python, r (but Rcpp's generated RcppExports.cpp), tests,
# bench and fuzz is laid out as .clang-format says; prints the differences and exits non-zero on any.
#
#   tools/check-format.sh            # the whole tree
#   tools/check-format.sh FILE...    # just these files
set -euo pipefail

ROOT=$(cd "$(dirname "$0")/.." && pwd)
cd "$ROOT"
FORMAT=${CLANG_FORMAT:-clang-format}
if ! command -v "$FORMAT" >/dev/null; then
    echo "check-format: $FORMAT not found" >&2
    exit 2
fi

if [ $# -gt 0 ]; then
    files=("$@")
else
    mapfile -t files < <(find src include python r tests bench fuzz -type f \( -name '*.cpp' -o -name '*.h' \) ! -name RcppExports.cpp 2>/dev/null | sort)
fi
if [ ${#files[@]} -eq 0 ]; then
    echo "check-format: no sources found" >&2
    exit 2
fi

status=0
for file in "${files[@]}"; do
    "$FORMAT" --dry-run -Werror "$file" || status=1
done
if [ $status -ne 0 ]; then
    echo "check-format: run $FORMAT -i on the files above" >&2
fi
exit $status
