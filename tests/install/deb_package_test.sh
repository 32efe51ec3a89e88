#!/usr/bin/env bash
# Builds the Debian package from the configured build tree, as scripts/package
# does for the release build, and checks its name, control fields and files.
# Also installs the tree under an unusual prefix into a staging DESTDIR:
# every file must land below it, which no absolute install path would.
# Usage: deb_package_test.sh BUILD_DIR VERSION APP_ID
set -euo pipefail
build=$1 version=$2 app_id=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "$1" >&2; exit 1; }

cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1 ||
    fail "$(cat "$work/cpack.log")"
deb=$work/out/moorkeep_${version}_$(dpkg --print-architecture).deb
[ -f "$deb" ] || fail "no $(basename "$deb"); made: $(ls "$work/out")"

field() { dpkg-deb --field "$deb" "$1"; }
[ "$(field Package)" = moorkeep ] || fail "Package: $(field Package)"
[ "$(field Version)" = "$version" ] || fail "Version: $(field Version)"
[ "$(field Architecture)" = "$(dpkg --print-architecture)" ] || fail "Architecture: $(field Architecture)"
[ -n "$(field Maintainer)" ] && [ -n "$(field Description)" ] || fail "Maintainer or Description missing"
# Dependencies: openssh-client by name, the libraries as dpkg-shlibdeps found
# them from the binaries (with versions). libcrypto is linked into both
# programs, so libssl3 is not among them.
depends=$(field Depends)
for package in openssh-client 'libc6 (>=' 'libqt6widgets6 (>=' 'libqt6core6 (>=' \
    'libstdc++6 (>='; do
    grep -qF "$package" <<<"$depends" || fail "Depends lacks $package: $depends"
done
! grep -qF libssl3 <<<"$depends" || fail "Depends names libssl3, which no program loads: $depends"
grep -qF qt6-wayland <<<"$(field Recommends)" || fail "Recommends lacks qt6-wayland: $(field Recommends)"

# The files, exactly (directories left out).
dpkg-deb --contents "$deb" | awk '$1 !~ /^d/ { print $NF }' | sed 's|^\./|/|' | sort >"$work/files"
{
    printf '%s\n' /usr/bin/moorkeep /usr/bin/moorkeepctl \
        "/usr/share/applications/$app_id.desktop" \
        "/usr/share/metainfo/$app_id.metainfo.xml" \
        "/usr/share/icons/hicolor/scalable/apps/$app_id.svg" \
        "/usr/share/icons/hicolor/symbolic/apps/$app_id-symbolic.svg" \
        /usr/share/man/man1/moorkeep.1.gz /usr/share/man/man1/moorkeepctl.1.gz \
        /usr/share/bash-completion/completions/moorkeepctl
    for size in 16 22 24 32 48 64 128 256 512; do
        echo "/usr/share/icons/hicolor/${size}x${size}/apps/$app_id.png"
    done
} | sort >"$work/expected"
diff -u "$work/expected" "$work/files" || fail "the package's files differ from the expected list"

# What was packed works: the programs run and know their version, and the
# rendered icons have their nominal sizes.
dpkg-deb --extract "$deb" "$work/root"
[ "$("$work/root/usr/bin/moorkeepctl" --version)" = "moorkeepctl $version" ] ||
    fail "the packaged moorkeepctl does not print its version"
[ "$(env -u DISPLAY -u WAYLAND_DISPLAY "$work/root/usr/bin/moorkeep" --version)" = "moorkeep $version" ] ||
    fail "the packaged moorkeep does not print its version"
for size in 16 512; do
    png=$work/root/usr/share/icons/hicolor/${size}x${size}/apps/$app_id.png
    file --brief "$png" | grep -q "PNG image data, $size x $size" || fail "$png: $(file --brief "$png")"
done

DESTDIR=$work/stage cmake --install "$build" --prefix /opt/moorkeep-test >/dev/null
outside=$(find "$work/stage" -type f | grep -v "^$work/stage/opt/moorkeep-test/" || true)
[ -z "$outside" ] || fail "installed outside the prefix: $outside"
[ -x "$work/stage/opt/moorkeep-test/bin/moorkeep" ] || fail "cmake --install left out bin/moorkeep"
echo "package $(basename "$deb") checked"
