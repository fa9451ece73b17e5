#!/usr/bin/env bash
# CI: each fuzz target for a bounded time (60 s by default; FUZZ_SECONDS
# overrides), when clang is present.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/run-fuzz.sh "${FUZZ_SECONDS:-60}" build-fuzz
