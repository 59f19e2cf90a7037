#!/bin/sh
# usage: link_test.sh t static|dynamic
# Checks how t was linked: position-independent, full RELRO, a stack that is
# not executable and, for a static build, nothing left to load at run time.
t=$1
how=$2
fail=0
headers=$(readelf -hldW "$t") || exit 1

check() {
	if printf '%s\n' "$headers" | grep -Eq "$2"; then
		[ "$1" = has ] || { echo "$t: unexpected: $2"; fail=1; }
	else
		[ "$1" = lacks ] || { echo "$t: missing: $2"; fail=1; }
	fi
}

check has 'Type: +DYN'
check has 'GNU_RELRO'
check has 'BIND_NOW'
check has 'GNU_STACK .* RW  '
check lacks 'GNU_STACK .* RWE '
if [ "$how" = static ]; then
	check lacks '\(NEEDED\)'
	check lacks 'INTERP'
else
	check has '\(NEEDED\).*libc\.so'
fi
exit $fail
