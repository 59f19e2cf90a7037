#!/bin/sh
# SPDX-License-Identifier: ISC
# usage: package_test.sh cpack build-dir work-dir version processor
#            static|dynamic [launcher ...]
# Builds the Debian package and the binary tarball, checks what they hold,
# and has lintian check the package as Debian would.
set -eu
cpack=$1 build=$2 work=$3 version=$4 processor=$5 how=$6
shift 6
rm -rf "$work"
mkdir -p "$work"
"$cpack" -G "DEB;TGZ" --config "$build/CPackConfig.cmake" -B "$work" >/dev/null

fail() { echo "$*"; exit 1; }
deb=$(ls "$work"/*.deb)
tgz=$work/t-ftz-$version-Linux-$processor.tar.gz
[ -f "$tgz" ] || fail "no $tgz, but: $(ls "$work")"

files=$(dpkg-deb -c "$deb" | awk '{ print $6 }')
has() { echo "$1" | grep -qx "$2" || fail "$3 lacks $2"; }
lacks() { ! echo "$1" | grep -q "$2" || fail "$3 has $2"; }
for f in usr/bin/t usr/share/man/man1/t.1.gz usr/share/doc/t-ftz/copyright \
    usr/share/doc/t-ftz/changelog.gz; do
	has "$files" "\./$f" "$deb"
done
if [ "$how" = static ]; then
	has "$files" '\./usr/share/lintian/overrides/t-ftz' "$deb"
else
	lacks "$files" 'lintian' "$deb"
fi
lacks "$files" 'LICENSE\|README' "$deb"
[ "$(dpkg-deb -f "$deb" Package)" = t-ftz ] || fail "package name"
[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "version"
for field in Description Maintainer Section Architecture; do
	[ -n "$(dpkg-deb -f "$deb" "$field")" ] || fail "no $field"
done
depends=$(dpkg-deb -f "$deb" Depends)
if [ "$how" = static ]; then
	[ -z "$depends" ] || fail "a static t depends on: $depends"
else
	echo "$depends" | grep -q '^libc6 ' || fail "Depends: $depends"
fi

# Debian's own checker, at its strictest, has nothing to say, but that an
# override is unused where the override file says that this lintian does not
# need it: the file serves lintian releases that see t differently.
# Its tags come on stdout, with notes (N:) on the overrides; stderr has its
# own notes, such as a warning against running as root, as CI does.
dpkg-deb -x "$deb" "$work/root"
overrides=$work/root/usr/share/lintian/overrides/t-ftz
lintian_version=$(lintian --version | sed -n 's/^Lintian v//p')
[ -n "$lintian_version" ] || fail "lintian --version: $(lintian --version)"
unneeded=
if [ -f "$overrides" ]; then
	range=
	while read -r line; do
		case $line in
		"# lintian "*) range=${line#"# lintian "} ;;
		"t-ftz: "*)
			[ -n "$range" ] || fail "$overrides: no \"# lintian\" line before $line"
			op=${range%% *} want=${range#* } want=${want%% *}
			case $op in
			'<<' | '<=' | '=' | '>=' | '>>') ;;
			*) fail "$overrides: \"# lintian $range\" is not OP VERSION" ;;
			esac
			dpkg --compare-versions "$lintian_version" "$op" "$want" ||
				unneeded="$unneeded
I: t-ftz: unused-override ${line#t-ftz: }"
			range= ;;
		esac
	done <"$overrides"
fi
tags=$(lintian --pedantic --display-info "$deb" 2>"$work/lintian.err") ||
	fail "lintian failed: $tags $(cat "$work/lintian.err")"
tags=$(echo "$tags" | grep -v '^N:' |
	sed 's| \[usr/share/lintian/overrides/t-ftz:[0-9]*\]$||' | sort)
unneeded=$(echo "$unneeded" | sed '/^$/d' | sort)
[ "$tags" = "$unneeded" ] ||
	fail "lintian $lintian_version: $tags${unneeded:+ (expected only: $unneeded)}"

top=t-ftz-$version-Linux-$processor
files=$(tar tzf "$tgz")
for f in bin/t share/man/man1/t.1.gz share/doc/t-ftz/copyright \
    share/doc/t-ftz/changelog.gz LICENSE README.md; do
	has "$files" "$top/$f" "$tgz"
done
lacks "$files" 'lintian' "$tgz"

# What the package installs runs, and carries no .comment.
[ "$("$@" "$work/root/usr/bin/t")" = ok ] || fail "packaged t did not print ok"
! readelf -SW "$work/root/usr/bin/t" | grep -q '\.comment' ||
	fail "packaged t has a .comment section"
