#!/bin/sh
# Sets up, builds and runs every test (headless; the window tests under Xvfb),
# then the crafted and special asset files again in a second tree built with
# AddressSanitizer and UndefinedBehaviorSanitizer (build-asan/), where any
# report fails.
set -e
cd "$(dirname "$0")/.."
sh tools/setup.sh
(cd build && ctest --output-on-failure -j2 "$@")

cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZELTO_SANITIZE=ON >/dev/null
cmake --build build-asan -j"$(nproc)" --target asset_tests
log=build-asan/asset_tests.log
status=0
UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 timeout 900 \
    build-asan/tests/asset_tests --gtest_brief=1 >"$log" 2>&1 || status=$?
cat "$log"
if [ $status -ne 0 ] || grep -q -e 'Sanitizer' -e 'runtime error' "$log"; then
    echo "asset tests under the sanitizers failed (status $status)"
    exit 1
fi
echo "asset tests under the sanitizers passed"
