#!/bin/sh
# Installs a finished build into a scratch prefix, then checks that the
# programs, their manual pages, the desktop entry, icon, Touchstone file type
# and AppStream metainfo are where a desktop looks for them, that they name
# each other correctly, and that the entry, the file type, the metainfo and
# the manual pages pass their validators. A validator that is not installed is
# skipped, not failed.
#
# usage: check-install.sh CMAKE BUILD_DIR DATADIR APP_ID VERSION MANDIR
set -eu

cmake=$1
build=$2
datadir=$3
appid=$4
version=$5
mandir=$6

prefix=$(mktemp -d "${TMPDIR:-/tmp}/pentarix-install.XXXXXX")
trap 'rm -rf "$prefix"' EXIT INT TERM

# Stripped, as `make install` installs.
"$cmake" --install "$build" --prefix "$prefix" --strip >"$prefix.log" 2>&1 || {
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
mimetype="$prefix/$datadir/mime/packages/$appid.xml"
matcher="$prefix/bin/pentarix-match"
manpage="$prefix/$mandir/man1/pentarix.1.gz"
matchpage="$prefix/$mandir/man1/pentarix-match.1.gz"

for f in "$program" "$desktop" "$icon" "$metainfo" "$mimetype" "$manpage"; do
    if [ -f "$f" ]; then echo "installed: ${f#"$prefix"/}"; else fail "not installed: ${f#"$prefix"/}"; fi
done
[ ! -f "$program" ] || [ -x "$program" ] || fail "bin/pentarix is not executable"
# pentarix-match comes with its page whenever it is built.
if [ -f "$matcher" ]; then
    [ -f "$matchpage" ] && echo "installed: ${matchpage#"$prefix"/}" ||
        fail "not installed: ${matchpage#"$prefix"/}"
fi
if command -v file >/dev/null 2>&1; then
    for f in "$program" "$matcher"; do
        [ ! -f "$f" ] || file -b "$f" | grep -q ', stripped' || fail "not stripped: ${f#"$prefix"/}"
    done
else
    echo "skipped: file is not installed"
fi

# The entry must start the installed program and show the installed icon, and
# the metainfo must point at the entry's file name.
if [ -f "$desktop" ]; then
    grep -qx 'Exec=pentarix %f' "$desktop" || fail "desktop entry does not run 'pentarix %f'"
    grep -qx 'MimeType=application/x-touchstone;' "$desktop" ||
        fail "desktop entry does not open application/x-touchstone"
    for key in 'Name\[cs\]' 'Comment\[cs\]' Keywords; do
        grep -q "^$key=." "$desktop" || fail "desktop entry lacks $key"
    done
    grep -qx 'Icon=pentarix' "$desktop" || fail "desktop entry does not show icon 'pentarix'"
    grep -qx 'Name=Pentarix' "$desktop" || fail "desktop entry is not named 'Pentarix'"
fi
if [ -f "$metainfo" ]; then
    grep -q "<launchable type=\"desktop-id\">$appid.desktop</launchable>" "$metainfo" ||
        fail "metainfo does not launch $appid.desktop"
    grep -q "<id>$appid</id>" "$metainfo" || fail "metainfo id is not $appid"
    # The newest release, listed first, is the one being installed.
    newest=$(sed -n 's/.*<release version="\([^"]*\)".*/\1/p' "$metainfo" | head -n 1)
    [ "$newest" = "$version" ] || fail "metainfo's newest release is '$newest', not $version"
fi
if [ -f "$mimetype" ]; then
    grep -q '<mime-type type="application/x-touchstone">' "$mimetype" ||
        fail "file type is not application/x-touchstone"
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
    for f in "$icon" "$metainfo" "$mimetype"; do
        [ ! -f "$f" ] || xmllint --noout "$f" || fail "not well-formed XML: ${f#"$prefix"/}"
    done
else
    echo "skipped: xmllint is not installed"
fi

# The file type as a desktop's MIME database reads it: both extensions, in
# any case (no case-sensitive flag).
if command -v update-mime-database >/dev/null 2>&1; then
    if [ -f "$mimetype" ]; then
        mkdir -p "$prefix/mimedb/packages"
        cp "$mimetype" "$prefix/mimedb/packages/"
        # It notes on stderr that the scratch folder is not on XDG_DATA_DIRS.
        if out=$(update-mime-database "$prefix/mimedb" 2>&1); then
            for glob in '*.s1p' '*.s2p'; do
                grep -qxF "50:application/x-touchstone:$glob" "$prefix/mimedb/globs2" ||
                    fail "MIME database lacks $glob for application/x-touchstone"
            done
            echo "valid: file type"
        else
            echo "$out"
            fail "update-mime-database"
        fi
    fi
else
    echo "skipped: update-mime-database is not installed"
fi

# make install refreshes the database it installed the type into, so that
# the desktop knows .s1p at once.
if command -v update-mime-database >/dev/null 2>&1; then
    grep -qxF "50:application/x-touchstone:*.s1p" "$prefix/$datadir/mime/globs2" 2>/dev/null &&
        echo "refreshed: MIME database" || fail "make install left the MIME database stale"
fi

# The manual pages: no complaint from groff, and every option pentarix-match's
# --help names is described in its page.
if command -v man >/dev/null 2>&1; then
    for page in "$manpage" "$matchpage"; do
        [ -f "$page" ] || continue
        out=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 -Z "$page" 2>&1 >/dev/null)
        [ -z "$out" ] || { echo "$out"; fail "man warns about ${page#"$prefix"/}"; }
    done
    if [ -f "$matcher" ] && [ -f "$matchpage" ]; then
        text=$(LC_ALL=C.UTF-8 MANWIDTH=200 man -l "$matchpage" 2>/dev/null)
        for option in $("$matcher" --help | grep -oE '(^| |\[)--?[a-z][a-z0-9]*' | tr -d ' [' | sort -u); do
            echo "$text" | grep -qE -- "(^|[^a-z-])$option([^a-z0-9]|\$)" ||
                fail "pentarix-match.1 does not describe $option"
        done
        echo "checked: pentarix-match.1 against --help"
    fi
else
    echo "skipped: man is not installed"
fi

if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed"
    exit 1
fi
echo "all install checks passed"
