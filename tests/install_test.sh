#!/bin/sh
# SPDX-License-Identifier: ISC
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
gzip -dc "$work/prefix/share/man/man1/t.1.gz" | cmp - "$build/t.1"
for f in copyright changelog.gz; do
	[ -s "$work/prefix/share/doc/t-ftz/$f" ] || { echo "no share/doc/t-ftz/$f"; exit 1; }
done
# What is only for the packages stays out of a plain install.
for f in LICENSE README.md share/lintian; do
	[ ! -e "$work/prefix/$f" ] || { echo "installed $f"; exit 1; }
done
