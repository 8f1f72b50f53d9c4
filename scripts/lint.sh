#!/usr/bin/env bash
# Checks the formatting of every C++ file and runs clang-tidy's small check
# set (.clang-tidy). Usage: scripts/lint.sh BUILD_DIR [all]
# clang-tidy parses Qt's headers for every file, several seconds each, so by
# default it looks only at the files that changed: those that differ from
# origin/main, or, on main itself, those of the last 20 commits. "all" checks
# the whole tree.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:?build directory with compile_commands.json}
scope=${2:-changed}

mapfile -t sources < <(git ls-files '*.cpp' '*.h')
clang-format --dry-run --Werror "${sources[@]}"

if [ "$scope" = all ]; then
  files=("${sources[@]}")
else
  base=$(git merge-base HEAD origin/main 2>/dev/null || true)
  if [ -z "$base" ] || [ "$base" = "$(git rev-parse HEAD)" ]; then
    base=$(git rev-list --max-count=21 HEAD | tail -n1)
  fi
  # A file whose only change is where it or its includes live (a moved
  # file, an include rewritten) has nothing new for clang-tidy: a tree
  # reorganised would otherwise be checked whole, for many minutes.
  files=()
  while IFS=$'\t' read -r status old new; do
    new=${new:-$old}
    if [[ $status == [RM]* ]] &&
      diff -q <(git show "$base:$old" | grep -v '^#include') <(grep -v '^#include' "$new") >/dev/null; then
      continue
    fi
    files+=("$new")
  done < <(git diff -M --name-status --diff-filter=d "$base" -- '*.cpp' '*.h')
fi
# clang-tidy needs a compile command: headers are checked through the files
# that include them (HeaderFilterRegex), fuzz targets are clang-only builds.
mapfile -t units < <(printf '%s\n' "${files[@]}" | grep '\.cpp$' | grep -v '^fuzz/' || true)
if [ ${#units[@]} -eq 0 ]; then
  echo "clang-tidy: nothing changed"
  exit 0
fi
echo "clang-tidy: ${#units[@]} files"
findings=$(printf '%s\n' "${units[@]}" |
  xargs -P "$(nproc)" -n 4 clang-tidy -p "$build" --quiet 2>&1 |
  grep -v -E '^[0-9]+ warnings? (and [0-9]+ errors? )?generated\.$|^Suppressed [0-9]+ warnings|^Use -header-filter|^$' ||
  true)
if grep -q -E 'error:|warning:' <<<"$findings"; then
  echo "$findings"
  exit 1
fi
