#!/usr/bin/env bash
# Validates the AppStream metadata offline, allowing no warning and no
# remark, and checks its id, release and screenshots.
# Usage: metainfo_test.sh METAINFO_FILE APP_ID VERSION SOURCE_DIR
set -euo pipefail
metainfo=$1 app_id=$2 version=$3 source_dir=$4
fail() { echo "$1" >&2; exit 1; }

output=$(appstreamcli validate --no-net "$metainfo" 2>&1) || fail "$output"
if grep -qE '^[EWI]: ' <<<"$output"; then fail "$output"; fi

grep -q "<id>$app_id</id>" "$metainfo" || fail "the id is not $app_id"
grep -q "<launchable type=\"desktop-id\">$app_id.desktop</launchable>" "$metainfo" ||
    fail "the launchable is not $app_id.desktop"
grep -qE "<release version=\"${version//./\\.}\" date=\"[0-9]{4}-[0-9]{2}-[0-9]{2}\"" "$metainfo" ||
    fail "no release entry for $version"

# Every screenshot is one of the project's own, under docs/. Until the
# screenshots are taken none is there, and the test reports itself skipped
# (exit status 77); once one is there, all must be.
images=$(grep -oE '<image>[^<]*</image>' "$metainfo" | sed -E 's|</?image>||g')
[ -n "$images" ] || fail "no screenshots"
missing=()
while read -r url; do
    [ -f "$source_dir/docs/${url##*/}" ] || missing+=("docs/${url##*/}")
done <<<"$images"
if [ ${#missing[@]} -eq "$(wc -l <<<"$images")" ]; then
    echo "metainfo valid; no screenshot under docs/ yet: ${missing[*]}"
    exit 77
fi
[ ${#missing[@]} -eq 0 ] || fail "screenshots missing: ${missing[*]}"
echo "metainfo valid"
