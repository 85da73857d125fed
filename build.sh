#!/usr/bin/env bash
# ./build.sh start [ARGS...]  installs what is missing, builds, and starts Tidewriter.
# ./build.sh test             builds twice (normal, and with ASan+UBSan) and runs the
#                             test suite in both; exits non-zero when either fails.
set -euo pipefail
cd "$(dirname "$0")"

usage() {
  echo "usage: ./build.sh start [ARGS...] | ./build.sh test" >&2
  exit 2
}

# configure DIR TYPE [CMAKE OPTIONS...]; the generator is chosen only for a new build
# folder, so a folder configured earlier keeps its own.
configure() {
  local dir=$1 type=$2
  shift 2
  local generator=()
  [[ -f "$dir/CMakeCache.txt" ]] || generator=(-G Ninja)
  cmake -S . -B "$dir" "${generator[@]}" -DCMAKE_BUILD_TYPE="$type" "$@"
}

build() {
  configure "$@" && cmake --build "$1" -j2
}

# build_and_test DIR TYPE [CMAKE OPTIONS...]; prints nothing itself, the caller reports.
build_and_test() {
  local dir=$1
  build "$@" || return 1
  (cd "$dir" && ctest --output-on-failure) || return 2
}

summary() {
  case $2 in
    0) echo "$1: build ok, tests passed" ;;
    1) echo "$1: BUILD FAILED" ;;
    *) echo "$1: TESTS FAILED" ;;
  esac
}

[[ $# -ge 1 ]] || usage
mode=$1
shift

case "$mode" in
  start)
    scripts/install-deps.sh
    build build RelWithDebInfo
    if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" && -z "${QT_QPA_PLATFORM:-}" ]]; then
      echo "build.sh: no display found (DISPLAY or WAYLAND_DISPLAY); Tidewriter needs a desktop session" >&2
    fi
    exec build/bin/tidewriter "$@"
    ;;
  test)
    [[ $# -eq 0 ]] || usage
    scripts/install-deps.sh
    normal=0
    build_and_test build RelWithDebInfo || normal=$?
    # Qt and fontconfig keep allocations until exit by design; leak reports would bury
    # the real faults.
    sanitized=0
    ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=0} \
    UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1} \
      build_and_test build-asan Debug -DTIDEWRITER_SANITIZE=ON || sanitized=$?
    echo
    summary "build (RelWithDebInfo)" "$normal"
    summary "build-asan (Debug, ASan+UBSan)" "$sanitized"
    ((normal == 0 && sanitized == 0))
    ;;
  *)
    usage
    ;;
esac
