#!/bin/sh
# usage: link_test.sh t static|dynamic musl|glibc
# Checks how t was linked: position-independent, full RELRO, a stack that is
# not executable, with the C library named and nothing of the C++ library,
# and, for a static build, nothing left to load at run time.
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
