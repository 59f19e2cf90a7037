#!/bin/sh
# SPDX-License-Identifier: ISC
# usage: man_test.sh t.1
# The page must render with every warning of groff's enabled, and pass
# mandoc's checker, with nothing to say from either.
out=$(groff -man -ww -z "$1" 2>&1) || { echo "groff failed: $out"; exit 1; }
[ -z "$out" ] || { echo "$out"; exit 1; }
out=$(mandoc -Tlint "$1" 2>&1) || { echo "mandoc: $out"; exit 1; }
[ -z "$out" ] || { echo "mandoc: $out"; exit 1; }
