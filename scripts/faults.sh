#!/usr/bin/env bash
# The project's own fault run: does the suite notice when the code breaks?
#
#   scripts/faults.sh [faults/NN-name.patch ...]     (all of faults/ by default)
#
# Each patch in faults/ is one small, plausible bug: a first line "# what goes
# wrong", then a diff against one file of src/. The run copies the tree (as it
# is on disk, committed or not) to build-faults/tree, builds it once, checks that
# the unbroken suite passes, and then applies each fault alone, rebuilds what
# it touched, and runs the unprivileged suite as the test account, stopping at
# the first failure; a fault that suite misses gets the privileged program in
# its mount namespace too. Per fault it prints CAUGHT with the first failing
# test, or MISSED, and then the total. It exits 1 if any fault was missed or
# did not apply or build.
#
# With VELMORA_FAULTS_ALL=1 the suite is not stopped at the first failure and
# every failing test is named: the map of which tests catch what, for telling
# which test is the only one to catch a fault before merging or deleting it.
#
# Not part of './build.sh test'. CI runs it only with VELMORA_FAULTS=1.
set -euo pipefail
patches=()
for patch in "$@"; do
  [[ -f $patch ]] || { echo "faults.sh: no such fault: $patch" >&2; exit 2; }
  patches+=("$(realpath "$patch")")
done
cd "$(dirname "$0")/.."
source_tree=$PWD
[[ ${#patches[@]} -gt 0 ]] || patches=("$source_tree"/faults/*.patch)
work=${VELMORA_FAULTS_DIR:-$source_tree/build-faults}
tree=$work/tree
# The build folder sits inside the copy as build/ does in the source tree, so
# the compiler cache sees the same relative paths and reuses the main build.
build=$tree/build
suite_timeout=${VELMORA_FAULTS_TIMEOUT:-300}
stop_early=(--gtest_fail_fast)
failures=1
if [[ ${VELMORA_FAULTS_ALL:-} == 1 ]]; then stop_early=(); failures=1000; fi

# Only files whose content differs are copied, and they get the time of the
# copy, so a second run rebuilds exactly what changed: the source's own times
# would not do, as the copy may last have been built from another clone with
# newer ones. Files gone from the source tree are gone from the copy too.
incoming=$work/incoming
rm -rf "$incoming"
mkdir -p "$tree" "$incoming"
git ls-files -z --cached --others --exclude-standard \
  | tar --null --files-from=- --ignore-failed-read -cf - 2>/dev/null | tar -xf - -C "$incoming"
(cd "$incoming" && find . -type f -print0) | while IFS= read -r -d '' file; do
  cmp -s "$incoming/$file" "$tree/$file" || { mkdir -p "$(dirname "$tree/$file")" && cp "$incoming/$file" "$tree/$file"; }
done
(cd "$tree" && find . -path ./build -prune -o -type f -print0) | while IFS= read -r -d '' file; do
  [[ -e $incoming/$file ]] || rm -f "$tree/$file"
done
rm -rf "$incoming"

cmake_options=(-G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo)
command -v ccache >/dev/null && cmake_options+=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S "$tree" -B "$build" "${cmake_options[@]}" >/dev/null
targets=(velmora_tests velmora_privileged_tests)

build_all() { cmake --build "$build" --parallel "$(nproc)" --target "${targets[@]}" >"$work/build.log" 2>&1; }

# Prints the first failing test (every one, asked for all) of the unprivileged
# suite, and failing none, of the privileged program; nothing when both pass.
first_failure() {
  local log=$work/suite.log status=0
  QT_QPA_PLATFORM=offscreen timeout "$suite_timeout" "$tree/scripts/as-test-user.sh" --read "$build" \
    "$build/tests/velmora_tests" "${stop_early[@]}" --gtest_brief=1 >"$log" 2>&1 || status=$?
  if [[ $status -ne 0 ]]; then
    if [[ $status -eq 124 ]]; then echo "the suite timed out after ${suite_timeout}s"; return; fi
    grep -m"$failures" -o '^\[  FAILED  \] [^ ,]*' "$log" | cut -c14- | sort -u | paste -sd' ' | grep . \
      || echo "velmora_tests exit status $status"
    return
  fi
  [[ $(id -u) -eq 0 ]] || return 0
  status=0
  timeout "$suite_timeout" sh "$tree/tests/privileged/run-in-namespace.sh" "$build/velmora-remove-helper" \
    "$build/tests/velmora_privileged_tests" --gtest_brief=1 >"$log" 2>&1 || status=$?
  if [[ $status -ne 0 ]]; then
    grep -m1 -o '^\[  FAILED  \] [^ ,]*' "$log" | cut -c14- | sed 's/^/privileged: /' | grep . \
      || echo "privileged program exit status $status"
  fi
}

echo "== building the unbroken tree in $work"
build_all || { tail -30 "$work/build.log"; echo "faults.sh: the unbroken tree does not build" >&2; exit 2; }
baseline=$(first_failure)
if [[ -n $baseline ]]; then
  echo "faults.sh: the unbroken suite fails ($baseline); fix that first" >&2
  tail -40 "$work/suite.log" >&2
  exit 2
fi

caught=0 missed=0 broken=0
mkdir -p "$work/logs"
rm -f "$work/logs/"*.log
for patch in "${patches[@]}"; do
  name=$(basename "$patch" .patch)
  description=$(head -n1 "$patch" | sed 's/^# *//')
  if ! patch -p1 -d "$tree" --forward --silent --no-backup-if-mismatch <"$patch" >"$work/patch.log" 2>&1; then
    printf '%-36s DOES NOT APPLY  %s\n' "$name" "$description"
    broken=$((broken + 1))
    patch -p1 -R -d "$tree" --silent --no-backup-if-mismatch <"$patch" >/dev/null 2>&1 || true
    continue
  fi
  if ! build_all; then
    printf '%-36s DOES NOT BUILD  %s\n' "$name" "$description"
    broken=$((broken + 1))
  else
    failure=$(first_failure)
    # Kept per fault, so that a catch by a test unrelated to the fault can be
    # told from a test that failed on its own.
    cp "$work/suite.log" "$work/logs/$name.log"
    if [[ -n $failure ]]; then
      printf '%-36s CAUGHT  by %s\n' "$name" "$failure"
      caught=$((caught + 1))
    else
      printf '%-36s MISSED  %s\n' "$name" "$description"
      missed=$((missed + 1))
    fi
  fi
  patch -p1 -R -d "$tree" --silent --no-backup-if-mismatch <"$patch"
done

echo "== ${#patches[@]} faults: $caught caught, $missed missed, $broken did not apply or build"
# Leave the copy built unbroken, so the next run starts from there.
build_all || true
[[ $missed -eq 0 && $broken -eq 0 ]]
