#!/usr/bin/env bash
# Validates the desktop entry with desktop-file-validate and checks that it
# names the icon and window class the program really uses.
# Usage: desktop_entry_test.sh DESKTOP_FILE APP_ID
set -euo pipefail
entry=$1 app_id=$2
fail() { echo "$1" >&2; exit 1; }

[ "$(basename "$entry")" = "$app_id.desktop" ] || fail "the entry is not named $app_id.desktop"
grep -qx "Icon=$app_id" "$entry" || fail "Icon is not $app_id"
grep -qx "StartupWMClass=Moorkeep" "$entry" || fail "StartupWMClass is not Moorkeep"
grep -qx "SingleMainWindow=true" "$entry" || fail "SingleMainWindow=true is missing"
grep -qx "Categories=Utility;Security;Network;" "$entry" || fail "the categories changed"

if ! output=$(desktop-file-validate "$entry" 2>&1); then
    # desktop-file-utils before 0.27 does not know format 1.5, which brought
    # SingleMainWindow. Only those two complaints are forgiven: the rest of
    # the entry must pass as format 1.4.
    unknown=$(grep -E ': error: ' <<<"$output" | grep -vE '"1.5" for key "Version"|"SingleMainWindow"' || true)
    [ -z "$unknown" ] || fail "$output"
    older=$(mktemp --suffix=.desktop)
    trap 'rm -f "$older"' EXIT
    sed -e 's/^Version=1\.5$/Version=1.4/' -e '/^SingleMainWindow=/d' "$entry" >"$older"
    desktop-file-validate "$older" || fail "the entry does not validate as format 1.4 either"
fi
echo "desktop entry valid"
