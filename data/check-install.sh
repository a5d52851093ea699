#!/bin/sh
# Installs a finished build into a scratch prefix, then checks that the
# program, its desktop entry, icon and AppStream metainfo are where a desktop
# looks for them, that they name each other correctly, and that the entry and
# the metainfo pass their validators. A validator that is not installed is
# skipped, not failed.
#
# usage: check-install.sh CMAKE BUILD_DIR DATADIR APP_ID
set -eu

cmake=$1
build=$2
datadir=$3
appid=$4

prefix=$(mktemp -d "${TMPDIR:-/tmp}/pentarix-install.XXXXXX")
trap 'rm -rf "$prefix"' EXIT INT TERM

"$cmake" --install "$build" --prefix "$prefix" >"$prefix.log" 2>&1 || {
    cat "$prefix.log"
    rm -f "$prefix.log"
    echo "FAIL: cmake --install"
    exit 1
}
rm -f "$prefix.log"

failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

program="$prefix/bin/pentarix"
desktop="$prefix/$datadir/applications/$appid.desktop"
icon="$prefix/$datadir/icons/hicolor/scalable/apps/pentarix.svg"
metainfo="$prefix/$datadir/metainfo/$appid.metainfo.xml"

for f in "$program" "$desktop" "$icon" "$metainfo"; do
    if [ -f "$f" ]; then echo "installed: ${f#"$prefix"/}"; else fail "not installed: ${f#"$prefix"/}"; fi
done
[ ! -f "$program" ] || [ -x "$program" ] || fail "bin/pentarix is not executable"

# The entry must start the installed program and show the installed icon, and
# the metainfo must point at the entry's file name.
if [ -f "$desktop" ]; then
    grep -qx 'Exec=pentarix' "$desktop" || fail "desktop entry does not run 'pentarix'"
    grep -qx 'Icon=pentarix' "$desktop" || fail "desktop entry does not show icon 'pentarix'"
    grep -qx 'Name=Pentarix' "$desktop" || fail "desktop entry is not named 'Pentarix'"
fi
if [ -f "$metainfo" ]; then
    grep -q "<launchable type=\"desktop-id\">$appid.desktop</launchable>" "$metainfo" ||
        fail "metainfo does not launch $appid.desktop"
    grep -q "<id>$appid</id>" "$metainfo" || fail "metainfo id is not $appid"
fi
if [ -f "$icon" ]; then
    grep -q '<svg[^>]*viewBox="0 0 64 64"' "$icon" || fail "icon is not a 64x64 SVG"
fi

# Validators. desktop-file-validate exits 0 on some errors ("will be fatal in
# the future"), so its output counts too; hints are advice and pass.
if command -v desktop-file-validate >/dev/null 2>&1; then
    if [ -f "$desktop" ]; then
        out=$(desktop-file-validate "$desktop" 2>&1) && rc=0 || rc=$?
        [ -z "$out" ] || echo "$out"
        if [ "$rc" -ne 0 ] || echo "$out" | grep -qE '(error|warning):'; then
            fail "desktop-file-validate"
        else
            echo "valid: desktop entry"
        fi
    fi
else
    echo "skipped: desktop-file-validate is not installed"
fi

if command -v appstreamcli >/dev/null 2>&1; then
    if [ -f "$metainfo" ]; then
        if appstreamcli validate --no-net "$metainfo"; then
            echo "valid: metainfo"
        else
            fail "appstreamcli validate"
        fi
        # The installed tree as a software centre reads it: the metainfo
        # together with the desktop entry it names.
        if appstreamcli validate-tree --no-net "$prefix"; then
            echo "valid: installed tree"
        else
            fail "appstreamcli validate-tree"
        fi
    fi
else
    echo "skipped: appstreamcli is not installed"
fi

if command -v xmllint >/dev/null 2>&1; then
    for f in "$icon" "$metainfo"; do
        [ ! -f "$f" ] || xmllint --noout "$f" || fail "not well-formed XML: ${f#"$prefix"/}"
    done
else
    echo "skipped: xmllint is not installed"
fi

if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed"
    exit 1
fi
echo "all install checks passed"
