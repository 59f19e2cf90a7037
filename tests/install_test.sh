#!/bin/sh
# usage: install_test.sh cmake build-dir work-dir [launcher ...]
# Installs into a fresh prefix and runs the installed t.
set -eu
cmake=$1 build=$2 work=$3
shift 3
rm -rf "$work"
"$cmake" --install "$build" --prefix "$work/prefix" >/dev/null

status=0
"$@" "$work/prefix/bin/t" >"$work/out" 2>"$work/err" || status=$?
printf 'ok\n' | cmp -s - "$work/out" || { echo "installed t wrote:"; cat "$work/out"; exit 1; }
[ ! -s "$work/err" ] || { echo "installed t wrote to stderr:"; cat "$work/err"; exit 1; }
[ "$status" -eq 0 ] || { echo "installed t exited $status"; exit 1; }
cmp "$build/t.1" "$work/prefix/share/man/man1/t.1"
