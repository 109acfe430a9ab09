#!/usr/bin/env bash
# Builds the test suite with address and undefined-behaviour sanitizers and runs all of it; the one GL
# test that the sanitizers only slow down runs from a plain build of the GL tests made beside.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
use_software_rendering

"$root/scripts/install-deps.sh"
# The GL tests without sanitizers, for the one that the sanitized build runs from there (see
# tests/CMakeLists.txt).
plain="$root/build/test-plain"
cmake -S "$root" -B "$plain" -DCMAKE_BUILD_TYPE=Release -DTALVEN_WERROR=ON >/dev/null
cmake --build "$plain" -j "$jobs" --target gl_tests
build="$root/build/test"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTALVEN_SANITIZE=ON -DTALVEN_WERROR=ON \
  -DTALVEN_PLAIN_GL_TESTS="$plain/tests/gl_tests" >/dev/null
cmake --build "$build" -j "$jobs"

export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:halt_on_error=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export LSAN_OPTIONS="suppressions=$root/tests/lsan.supp:print_suppressions=0"
cd "$build"
with_display ctest --output-on-failure -j "$jobs" "$@"
