#!/bin/sh
# usage: man_test.sh t.1
# The page must render with every warning of groff's enabled, and none given.
out=$(groff -man -ww -z "$1" 2>&1) || { echo "groff failed: $out"; exit 1; }
[ -z "$out" ] || { echo "$out"; exit 1; }
