#!/bin/sh
# Builds the Debian package of a finished build into a scratch folder and
# reads it back: its control fields, the runtime dependencies found from the
# shared libraries, the files a desktop and a software centre look for, and
# lintian's verdict when lintian is installed (errors and warnings fail).
#
# usage: check-deb.sh CPACK CPACK_CONFIG APP_ID PROGRAM...
set -eu

cpack=$1
config=$2
appid=$3
shift 3

out=$(mktemp -d "${TMPDIR:-/tmp}/pentarix-deb.XXXXXX")
trap 'rm -rf "$out"' EXIT INT TERM

if ! "$cpack" -G DEB --config "$config" -B "$out" >"$out/cpack.log" 2>&1; then
    cat "$out/cpack.log"
    echo "FAIL: cpack"
    exit 1
fi
debs=$(find "$out" -maxdepth 1 -name '*.deb')
if [ "$(echo "$debs" | grep -c .)" -ne 1 ]; then
    echo "FAIL: expected one package, got: $debs"
    exit 1
fi
deb=$debs
echo "package: ${deb##*/}"

failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = pentarix ] || fail "Package is '$(field Package)'"
arch=$(dpkg --print-architecture)
[ "$(field Architecture)" = "$arch" ] || fail "Architecture is '$(field Architecture)', not $arch"
[ -n "$(field Version)" ] || fail "no Version"
[ -n "$(field Maintainer)" ] || fail "no Maintainer"
[ "$(field Section)" = hamradio ] || fail "Section is '$(field Section)'"
# The dependencies come from the libraries the programs link: Qt and the C library.
depends=$(field Depends)
echo "Depends: $depends"
names=$(echo "$depends" | tr ',' '\n' | sed 's/^ *//; s/[ (].*//')
for lib in libc6 libstdc++6 libqt6core6 libqt6gui6 libqt6widgets6; do
    echo "$names" | grep -qxF "$lib" || fail "Depends lacks $lib"
done
# Qt's Czech catalogue is no library, so the libraries do not bring it.
field Recommends | tr ',' '\n' | sed 's/^ *//; s/[ (].*//' | grep -qxF qt6-translations-l10n ||
    fail "Recommends lacks qt6-translations-l10n"
dpkg-deb -I "$deb" | grep -q '^ Description: ' || fail "no Description"

contents=$(dpkg-deb -c "$deb")
# "mode owner size date time path", one line per entry
entry() { echo "$contents" | awk -v p="./usr/$1" '$6 == p { print $1, $2 }'; }
for program in "$@"; do
    [ "$(entry "bin/$program")" = "-rwxr-xr-x root/root" ] || fail "usr/bin/$program: '$(entry "bin/$program")'"
    [ "$(entry "share/man/man1/$program.1.gz")" = "-rw-r--r-- root/root" ] ||
        fail "usr/share/man/man1/$program.1.gz: '$(entry "share/man/man1/$program.1.gz")'"
done
for f in "share/applications/$appid.desktop" "share/icons/hicolor/scalable/apps/pentarix.svg" \
         "share/metainfo/$appid.metainfo.xml" "share/mime/packages/$appid.xml" \
         share/doc/pentarix/copyright share/doc/pentarix/changelog.gz; do
    [ "$(entry "$f")" = "-rw-r--r-- root/root" ] || fail "usr/$f: '$(entry "$f")'"
done
# Nothing outside /usr, nothing owned by the builder.
stray=$(echo "$contents" | awk '$6 != "./" && $6 !~ /^\.\/usr\// { print $6 }')
[ -z "$stray" ] || fail "entries outside /usr: $stray"
owners=$(echo "$contents" | awk '$2 != "root/root" { print $6 }')
[ -z "$owners" ] || fail "entries not owned by root: $owners"

if command -v lintian >/dev/null 2>&1; then
    # Errors and warnings fail; info and pedantic tags are advice (a package
    # built outside a Debian source tree has no upstream changelog).
    if lintian --fail-on error,warning --tag-display-limit 0 "$deb"; then
        echo "lintian: no errors or warnings"
    else
        fail "lintian"
    fi
else
    echo "skipped: lintian is not installed"
fi

if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed"
    exit 1
fi
echo "all package checks passed"
