#!/bin/sh
# SPDX-License-Identifier: ISC
# usage: link_test.sh t static|dynamic musl|glibc
# Checks how t was linked: position-independent, full RELRO, a stack and
# read-only data that are not executable, with the C library named and
# nothing of the C++ library, and, for a static build, nothing left to
# load at run time.
t=$1
how=$2
libc=$3
fail=0
headers=$(readelf -hldsW "$t") || exit 1

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
# Read-only data is not executable: the segment that loads .rodata has no
# E among its flags.
rodata=$(readelf -lW "$t" | awk '
	BEGIN { n = 0 }
	/^Program Headers:/ { headers = 1; next }
	/Section to Segment mapping:/ { headers = 0; mapping = 1; next }
	headers && $2 ~ /^0x/ {
		flags = ""
		for (i = 7; i < NF; i++)
			flags = flags $i
		type[n] = $1; flag[n++] = flags
	}
	mapping && $1 ~ /^[0-9]+$/ {
		for (i = 2; i <= NF; i++)
			if ($i == ".rodata" && type[$1 + 0] == "LOAD")
				print flag[$1 + 0]
	}')
case $rodata in
R | RW) ;;
*) echo "$t: .rodata is loaded with flags '$rodata'"; fail=1 ;;
esac
# Each C library's start-up leaves a mark of its own in the symbols.
if [ "$libc" = musl ]; then
	check has ' __init_libc$'
	check lacks ' _IO_stdin_used$'
else
	check has ' _IO_stdin_used$'
	check lacks ' __init_libc$'
fi
check lacks ' (_ZN?K?St|_ZTVN10__cxxabiv|__gxx_personality|__cxa_(allocate|throw|begin|end|guard|pure))'
if [ "$how" = static ]; then
	check lacks '\(NEEDED\)'
	check lacks 'INTERP'
else
	check has '\(NEEDED\).*libc\.so'
fi
exit $fail
