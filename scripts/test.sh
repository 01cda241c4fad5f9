#!/usr/bin/env bash
# Builds the tests with AddressSanitizer and UndefinedBehaviorSanitizer and
# runs them headless (Xvfb with Mesa's llvmpipe, SDL's dummy audio driver),
# then the layout and format checks, the threaded tests (test folders whose
# LABELS file says "tsan") again under ThreadSanitizer, and a short run of
# every fuzzer.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/install-deps.sh"

# sanitizer_options NAME OURS KEY...: OURS, then whatever the variable NAME
# already holds. Inherited options are added, never put in place of ours: one
# that would set a KEY of ours (a suppression file, halt_on_error) is left
# out with a warning, since a later value would win.
sanitizer_options() {
  local name=$1 ours=$2
  shift 2
  local item key items=() kept=()
  IFS=': ' read -r -a items <<<"${!name:-}"
  for item in "${items[@]}"; do
    [ -n "$item" ] || continue
    key=${item%%=*}
    if [[ " $* " == *" $key "* ]]; then
      echo "test.sh: $name: leaving out $item (the tests set $key themselves)" >&2
      continue
    fi
    kept+=("$item")
  done
  local extra
  extra=$(IFS=:; echo "${kept[*]}")
  echo "$ours${extra:+:$extra}"
}

build=${QZ_TEST_BUILD:-$root/build/test}
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DQZ_SANITIZE=ON -DQZ_BUILD_TESTS=ON -DQZ_BUILD_FUZZERS=OFF >/dev/null
cmake --build "$build" -j "$(nproc)"

bash "$root/scripts/check-layout.sh"
bash "$root/scripts/check-format.sh"

export SDL_AUDIODRIVER=dummy
export LIBGL_ALWAYS_SOFTWARE=1
# llvmpipe's rasterizer threads can end while LeakSanitizer stops the world
# at a GL test's exit, which crashes the sanitizer; render on the test thread.
export LP_NUM_THREADS=${LP_NUM_THREADS:-0}
# A test machine has no D-Bus session bus. Without an address libdbus tries
# to launch one for SDL, and when that fails it loses the line it read from
# the launcher; an address that names no bus makes it give up at once.
export DBUS_SESSION_BUS_ADDRESS=${DBUS_SESSION_BUS_ADDRESS:-unix:path=/nonexistent/qz-no-session-bus}
# Up to LLVM 16 the sanitizer runtime's __tls_get_addr interceptor takes a
# dynamic TLS block whose address ends in a certain offset for one with an old
# glibc header and reads a made-up range from before it; LeakSanitizer's exit
# check then crashes scanning that range ("Tracer caught signal 11") in a rare
# run. Without the interceptor dynamic TLS is not scanned, which no block of
# ours depends on.
export ASAN_OPTIONS=$(sanitizer_options ASAN_OPTIONS "intercept_tls_get_addr=0" \
  intercept_tls_get_addr)
export LSAN_OPTIONS=$(sanitizer_options LSAN_OPTIONS \
  "suppressions=$root/tests/lsan.supp:print_suppressions=1" suppressions)
export UBSAN_OPTIONS=$(sanitizer_options UBSAN_OPTIONS "print_stacktrace=1:halt_on_error=1" \
  halt_on_error)
xvfb-run -a -s "-screen 0 1920x1200x24" \
  ctest --test-dir "$build" --output-on-failure --no-tests=error -j "$(nproc)" -LE Stress

# ThreadSanitizer cannot share a build with AddressSanitizer: a build folder
# of its own, holding only the libraries and test programs it runs.
tsan_build=${QZ_TSAN_BUILD:-$root/build/tsan}
cmake -S "$root" -B "$tsan_build" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DQZ_SANITIZE_THREAD=ON -DQZ_BUILD_TESTS=ON -DQZ_BUILD_FUZZERS=OFF >/dev/null
cmake --build "$tsan_build" -j "$(nproc)" --target qz_tsan_tests
TSAN_OPTIONS=$(sanitizer_options TSAN_OPTIONS \
  "halt_on_error=1:second_deadlock_stack=1:suppressions=$root/tests/tsan.supp" \
  halt_on_error suppressions) \
  xvfb-run -a -s "-screen 0 1920x1200x24" \
  ctest --test-dir "$tsan_build" --output-on-failure --no-tests=error -j "$(nproc)" -L tsan -LE Stress

# The fuzzers get a build of their own in which every library they call is
# instrumented for coverage, so libFuzzer is guided by the parsers' branches.
fuzz_build=${QZ_FUZZ_BUILD:-$root/build/fuzz}
cmake -S "$root" -B "$fuzz_build" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DQZ_SANITIZE=ON -DQZ_BUILD_TESTS=ON -DQZ_BUILD_FUZZERS=ON -DQZ_FUZZ_COVERAGE=ON >/dev/null
cmake --build "$fuzz_build" -j "$(nproc)" --target qz_fuzzers
bash "$root/scripts/run-fuzzers.sh" "$fuzz_build/fuzz"
