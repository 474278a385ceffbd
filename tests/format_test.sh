#!/bin/sh
# Every C++ source of the tree is laid out as the repository's .clang-format
# says: clang-format would change nothing in it.
#   format_test.sh SOURCE_DIR CLANG_FORMAT
set -eu
cd "$1"
format=$2
# The files git tracks in a checkout; every C++ file of the tree elsewhere
# (an unpacked source archive).
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    files=$(git ls-files '*.cpp' '*.h')
else
    files=$(find . -path ./build -prune -o \( -name '*.cpp' -o -name '*.h' \) -print)
fi
[ -n "$files" ] || { echo "no C++ files found under $1"; exit 1; }
# shellcheck disable=SC2086
if ! "$format" --dry-run --Werror $files; then
    echo "These files differ from .clang-format; run: $format -i FILE"
    exit 1
fi
