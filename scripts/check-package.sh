#!/usr/bin/env bash
# Checks a built Debian package without installing it on this machine: its dependencies were
# worked out from the binaries, every file lies below /usr, the maintainer scripts pass where
# udev is not running, and the programs unpacked into a scratch root run from a folder of
# their own: tarvo-max --version, and the editor opening its main window offscreen and quitting.
# Usage: scripts/check-package.sh PACKAGE.deb
set -euo pipefail
deb="$(realpath "$1")"
tree="$(cd "$(dirname "$0")/.." && pwd)"
root="$(mktemp -d)"
trap 'rm -rf "$root"' EXIT

depends="$(dpkg-deb --field "$deb" Depends)"
echo "Depends: $depends"
for lib in libqt6widgets6 libqt6network6 libftdi1-2 libc6 qt6-qpa-plugins; do
    grep -q "\b$lib\b" <<<"$depends" || { echo "FAIL: the package does not depend on $lib"; exit 1; }
done
outside="$(dpkg-deb --contents "$deb" | awk '{print $6}' | grep -v '^\./$' | grep -v '^\./usr/' || true)"
[ -z "$outside" ] || { echo "FAIL: files outside /usr:"; echo "$outside"; exit 1; }

dpkg-deb --extract "$deb" "$root/fs"
# A path into the tree the package was built from would work here and nowhere else.
if grep -l -F "$tree/" "$root"/fs/usr/bin/*; then
    echo "FAIL: these programs name $tree"
    exit 1
fi
dpkg-deb --control "$deb" "$root/control"
# No udev runs in a build root or container: the scripts must still succeed there.
if [ ! -S /run/udev/control ]; then
    sh "$root/control/postinst" configure
    sh "$root/control/postrm" remove
    sh "$root/control/postrm" purge
fi

mkdir -p "$root/cwd" "$root/home"
cd "$root/cwd"
export HOME="$root/home" TMPDIR="$root/home" TARVO_MAX_WEB_HOST=http://127.0.0.1:9
"$root/fs/usr/bin/tarvo-max" --version
QT_QPA_PLATFORM=offscreen TARVO_MAX_VIRTUAL_PEDAL=1 TARVO_MAX_QUIT_WHEN_SHOWN=1 \
    timeout 60 "$root/fs/usr/bin/tarvo-max-editor"
echo "package checked: $(basename "$deb")"
