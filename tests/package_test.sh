#!/bin/sh
# usage: package_test.sh cpack build-dir work-dir version static|dynamic [launcher ...]
# Builds the Debian package and the tarball, and checks what they hold.
set -eu
cpack=$1 build=$2 work=$3 version=$4 how=$5
shift 5
rm -rf "$work"
mkdir -p "$work"
"$cpack" -G "DEB;TGZ" --config "$build/CPackConfig.cmake" -B "$work" >/dev/null

fail() { echo "$*"; exit 1; }
deb=$(ls "$work"/*.deb)
tgz=$(ls "$work"/*.tar.gz)
files=$(dpkg-deb -c "$deb")
echo "$files" | grep -q ' \./usr/bin/t$' || fail "no /usr/bin/t in $deb"
echo "$files" | grep -q ' \./usr/share/man/man1/t\.1$' ||
	fail "no man page in $deb"
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
files=$(tar tzf "$tgz")
echo "$files" | grep -q '/bin/t$' || fail "no bin/t in $tgz"
echo "$files" | grep -q '/share/man/man1/t\.1$' || fail "no man page in $tgz"

# What the package installs runs.
dpkg-deb -x "$deb" "$work/root"
[ "$("$@" "$work/root/usr/bin/t")" = ok ] || fail "packaged t did not print ok"
