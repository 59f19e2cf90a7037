#!/bin/sh
# SPDX-License-Identifier: ISC
# usage: source_package_test.sh cpack build-dir work-dir source-dir
# Builds the source tarball and checks that it holds every file the
# repository tracks, and no build folder, version control or editor files.
set -eu
cpack=$1 build=$2 work=$3 source=$4
rm -rf "$work"
mkdir -p "$work"
"$cpack" --config "$build/CPackSourceConfig.cmake" -B "$work" >/dev/null

fail() { echo "$*"; exit 1; }
tgz=$(ls "$work"/*.tar.gz)
files=$(tar tzf "$tgz" | sed 's|^[^/]*/||')
for f in LICENSE README.md CMakeLists.txt src/t.cpp; do
	echo "$files" | grep -qx "$f" || fail "$tgz lacks $f"
done
bad=$(echo "$files" | grep -E '(^|/)(\.git|build[^/]*|_CPack_Packages)(/|$)|~$|\.sw[op]$|(^|/)#|(^|/)\.#|\.orig$|\.rej$|CMakeCache\.txt$' || true)
[ -z "$bad" ] || fail "$tgz holds: $bad"

if ! command -v git >/dev/null || ! git -C "$source" rev-parse 2>/dev/null; then
	echo "not a git checkout, or no git: cannot list the tracked files"
	exit 77
fi
git -C "$source" ls-files | while read -r f; do
	echo "$files" | grep -qxF "$f" || fail "$tgz lacks $f, which git tracks"
done
