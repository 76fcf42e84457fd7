#!/usr/bin/env bash
# Checks beyond the unit tests, run by './build.sh test' after ctest:
# metadata validation, the results-tree and property-list tests under AddressSanitizer and
# LeakSanitizer (as the unprivileged test account when run as root), each
# fuzzer for VELMORA_FUZZ_SECONDS (20 by default), and (in CI, where the machine
# is disposable) the Debian package built, installed and started once.
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${1:-build}
fuzz_seconds=${VELMORA_FUZZ_SECONDS:-20}
ccache_option=()
command -v ccache >/dev/null && ccache_option=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)

step() { printf '\n== %s\n' "$*"; }

step "metadata"
appstreamcli validate --no-net resources/velmora.metainfo.xml
if [[ -f resources/velmora.desktop ]]; then desktop-file-validate resources/velmora.desktop; fi

step "systemd units"
# The user timer and its service as installed, except for the program's path
# (the one just built) and the manual page, which is not installed yet.
if command -v systemd-analyze >/dev/null; then
  units=$(mktemp -d)
  sed "s|@VELMORA_INSTALLED_EXECUTABLE@|$PWD/$build_dir/velmora|" resources/systemd/velmora-scan.service.in \
    >"$units/velmora-scan.service"
  cp resources/systemd/velmora-scan.timer "$units/"
  XDG_RUNTIME_DIR=$units systemd-analyze verify --man=no --user "$units/velmora-scan.timer" \
    "$units/velmora-scan.service"
  rm -r "$units"
else
  echo "systemd-analyze is not installed: the timer unit is not verified (apt-get install systemd)"
fi

step "sanitizers and fuzzers"
# One instrumented build serves both: the fuzz targets and the tests run
# under AddressSanitizer and UndefinedBehaviorSanitizer from the same library,
# which saves a whole second build of it.
CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVELMORA_FUZZ=ON "${ccache_option[@]}" >/dev/null
fuzz_targets=()
for source in fuzz/fuzz_*.cpp; do fuzz_targets+=("$(basename "$source" .cpp)"); done
cmake --build build-fuzz --target velmora_sanitized_tests "${fuzz_targets[@]}"
QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
  LSAN_OPTIONS=suppressions=$PWD/scripts/lsan.supp scripts/as-test-user.sh --read build-fuzz \
  build-fuzz/tests/velmora_sanitized_tests --gtest_filter="${VELMORA_SANITIZE_FILTER:-*}"

# The fuzzers stay root's: they read bytes in memory and write only below a
# temporary folder of their own. No input may take Velmora past a gigabyte.
# Each runs on one core, so as many run at once as there are cores; each one's
# figures are printed together when it ends.
fuzz() {
  local name=$1 work report
  work=$(mktemp -d)
  report=$("build-fuzz/fuzz/$name" -max_total_time="$fuzz_seconds" -rss_limit_mb=1024 -malloc_limit_mb=1024 \
    -print_final_stats=1 -artifact_prefix="build-fuzz/$name-" "$work" "fuzz/corpus/${name#fuzz_}" 2>&1 \
    | grep -E '^(stat::number_of_executed_units|stat::peak_rss_mb|Done|==[0-9]+==ERROR|SUMMARY)') || true
  rm -rf "$work"
  printf -- '-- %s for %ss\n%s\n' "$name" "$fuzz_seconds" "$report"
}
export -f fuzz
export fuzz_seconds
printf '%s\n' "${fuzz_targets[@]}" | xargs -P "$(nproc)" -I{} bash -c 'fuzz {}'
for name in "${fuzz_targets[@]}"; do
  if ls "build-fuzz/$name-"* >/dev/null 2>&1; then echo "$name found a failing input" >&2; exit 1; fi
done

if [[ "${CI:-}" == "true" ]]; then
  # Not part of a developer's test run, but built here so that they cannot rot.
  step "benchmarks and screenshot tool build"
  benchmarks=()
  for source in bench/*.cpp; do benchmarks+=("$(basename "$source" .cpp)"); done
  cmake --build "$build_dir" --target "${benchmarks[@]}" velmora_screenshots

  step "package"
  scripts/package.sh build-deb
  package=$(ls build-deb/velmora_*.deb | head -n 1)
  dpkg-deb --info "$package" | sed -n '/Depends/p'
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "./$package" >/dev/null
  test -x /usr/bin/velmora
  test -f /usr/share/applications/velmora.desktop
  set +e
  QT_QPA_PLATFORM=offscreen HOME=$(mktemp -d) timeout 5 /usr/bin/velmora
  status=$?
  set -e
  # Still running after five seconds means it started and waited for the user.
  [[ $status -eq 124 ]] || { echo "the installed program exited with status $status" >&2; exit 1; }
  echo "installed package starts"
fi
