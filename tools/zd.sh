#!/usr/bin/env bash
# Installs what a fresh Debian 12 machine lacks, builds, and runs the program
# or the tests. Usage: tools/zd.sh run | test
# Run it as an ordinary user: only the package installation asks for root
# (through sudo); the build and the program run as the user who called it.
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${ZD_BUILD_DIR:-$here/build}"
jobs="$(nproc)"

packages=(
  build-essential cmake ninja-build pkg-config git clang libclang-rt-14-dev
  qt6-base-dev qt6-base-dev-tools libgl-dev
  pkexec
  libavcodec-dev libavformat-dev libavdevice-dev libavfilter-dev libswscale-dev
  libswresample-dev libavutil-dev
  libudev-dev libasound2-dev libcurl4-openssl-dev nlohmann-json3-dev zlib1g-dev libarchive-dev
  libmicrohttpd-dev libavahi-client-dev avahi-daemon avahi-utils dbus iproute2 chromium curl
  libfreetype-dev libfontconfig-dev fontconfig nginx libnginx-mod-rtmp ca-certificates
  stunnel4 openssl
  libobs-dev xvfb xauth ffmpeg locales tzdata libx11-dev libxext-dev xdg-utils openbox
  obs-studio python3 python3-websocket libgl1-mesa-dri libegl-mesa0
  desktop-file-utils appstream dpkg-dev file
  libpulse-dev pulseaudio pulseaudio-utils
)

install_packages() {
  local missing=()
  for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  if [ "${#missing[@]}" -gt 0 ]; then
    local sudo=()
    if [ "$(id -u)" -ne 0 ]; then
      if ! command -v sudo > /dev/null; then
        echo "missing packages: ${missing[*]}; install them as root, or install sudo" >&2
        exit 1
      fi
      sudo=(sudo)
    fi
    "${sudo[@]}" apt-get update
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y "${missing[@]}"
  fi
}

# Started through sudo: the packages are installed as root, then everything
# else runs as the user who called sudo, so that the build folder and every
# file the program writes belong to that user.
as_calling_user() {
  if [ "$(id -u)" -eq 0 ] && [ -n "${SUDO_USER:-}" ] && [ "$SUDO_USER" != root ]; then
    install_packages
    exec sudo -u "$SUDO_USER" -H -- bash "${BASH_SOURCE[0]}" "$@"
  fi
}

configure_build() {
  local dir="$1"; shift
  cmake -S "$here" -B "$dir" -G Ninja "$@"
  cmake --build "$dir" -j "$jobs"
}

run_tests() {
  local dir="$1"; shift
  (cd "$dir" && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j "$jobs" --timeout 600 "$@")
}

# The engine's tests whose threads meet (live with its recording, share,
# devices, statistics, sound), once more under ThreadSanitizer: only those are
# built, to keep CI's time. The recording tests of tests/engine_media time the
# recorder against the clock, which ThreadSanitizer's slowdown breaks.
tsan_tests=(
  engine_tst_engineshare engine_tst_enginedevices engine_tst_enginelivecanvas
  engine_media_tst_enginelive engine_tst_enginestats engine_tst_enginesound
)
run_thread_sanitizer() {
  local dir="$build-tsan"
  # -O1 and line tables only: quicker to build, and enough for the reports'
  # stacks.
  cmake -S "$here" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZD_TSAN=ON \
    -DZD_ENGINE_ONLY=ON -DZD_BUILD_BENCH=OFF \
    -DCMAKE_C_FLAGS_RELWITHDEBINFO="-O1 -g1" -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g1"
  cmake --build "$dir" -j "$jobs" --target "${tsan_tests[@]}"
  local pattern
  pattern="^($(IFS='|'; echo "${tsan_tests[*]}"))\$"
  TSAN_OPTIONS="halt_on_error=1 die_after_fork=0 second_deadlock_stack=1 suppressions=$here/tools/tsan.supp" \
    run_tests "$dir" -R "$pattern"
}

run_fuzzers() {
  local dir="$build-fuzz"
  CC=clang CXX=clang++ configure_build "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZD_FUZZ=ON -DZD_BUILD_TESTS=OFF
  local secs="${ZD_FUZZ_SECONDS:-15}"
  local failed=0
  for f in "$dir"/bin/fuzz_*; do
    [ -x "$f" ] || continue
    local name corpus
    name="$(basename "$f")"
    corpus="$dir/corpus/$name"
    mkdir -p "$corpus"
    [ -d "$here/tests/fuzz/seeds/$name" ] && cp -n "$here/tests/fuzz/seeds/$name"/* "$corpus"/ 2>/dev/null || true
    local dict=()
    [ -f "$here/tests/fuzz/dicts/$name.dict" ] && dict=(-dict="$here/tests/fuzz/dicts/$name.dict")
    echo "== $name for ${secs}s"
    if ! QT_QPA_PLATFORM=offscreen "$f" -max_total_time="$secs" -rss_limit_mb=4096 \
         "${dict[@]}" -artifact_prefix="$dir/" "$corpus" > "$dir/$name.log" 2>&1; then
      echo "$name found a crash:"; tail -n 60 "$dir/$name.log"; failed=1
    else
      tail -n 1 "$dir/$name.log"
    fi
  done
  return "$failed"
}

as_calling_user "$@"

case "${1:-}" in
  run)
    # A desktop program run as root turns every fault in a path into a
    # fault of the system.
    if [ "$(id -u)" -eq 0 ]; then
      echo "tools/zd.sh run: start the program as an ordinary user, not as root" >&2
      exit 1
    fi
    install_packages
    configure_build "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo
    exec "$build/bin/ZDHelper"
    ;;
  test)
    install_packages
    configure_build "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo
    run_tests "$build"
    # The engine and its tests once more under AddressSanitizer and UBSan.
    configure_build "$build-asan" -DCMAKE_BUILD_TYPE=Debug -DZD_SANITIZE=ON -DZD_ENGINE_ONLY=ON
    ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
      run_tests "$build-asan"
    run_thread_sanitizer
    run_fuzzers
    ;;
  *)
    echo "usage: $0 run | test" >&2
    exit 2
    ;;
esac
