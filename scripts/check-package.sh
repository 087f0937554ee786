#!/usr/bin/env bash
# Checks a built Debian package without installing it on this machine: its dependencies were
# worked out from the binaries, every file lies below /usr, lintian finds no error or warning
# in it and only the informational tags the README's packaging notes explain, its programs are
# hardened, the maintainer scripts pass where udev is not running, and the programs unpacked
# into a scratch root run from a folder of their own: tarvo-max --version, and the editor
# opening its main window offscreen and quitting.
# Usage: scripts/check-package.sh PACKAGE.deb (needs: scripts/setup.sh package)
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

# What a Debian maintainer would be told. Informational tags may stay, each for a reason the
# README gives; a new one fails here until it is fixed or explained there.
lintian -I -E --pedantic --fail-on error,warning "$deb" | tee "$root/lintian.log" ||
    { echo "FAIL: lintian found errors or warnings"; exit 1; }
unexplained=()
while read -r tag; do
    grep -qF "\`$tag\`" "$tree/README.md" || unexplained+=("$tag")
done < <(awk '$1 ~ /^[IPX]:$/ {print $3}' "$root/lintian.log" | sort -u)
[ ${#unexplained[@]} -eq 0 ] ||
    { echo "FAIL: lintian tags the README's packaging notes do not explain: ${unexplained[*]}"; exit 1; }

dpkg-deb --extract "$deb" "$root/fs"
# Every program is built with the same hardening. Two checks cannot pass here: no program on
# Debian 12 has control-flow protection (its C start-up files carry no CET marking, so the
# linker drops it: /usr/bin/ls fails the same), and hardening-check sees the checked string and
# memory functions only where one is linked. The virtual pedal prints through the checked
# printf, so it shows the flag took; the editor and tarvo-max link none, as each of their calls
# to such a function was either proven in bounds when compiled or fills a buffer whose size is
# known only at run time (see the README's packaging notes).
hardening-check --nocfprotection "$root/fs/usr/bin/tarvo-max-virtual-pedal" &&
    hardening-check --nocfprotection --nofortify "$root/fs/usr/bin/tarvo-max-editor" "$root/fs/usr/bin/tarvo-max" ||
    { echo "FAIL: a program is not hardened"; exit 1; }
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
QT_QPA_PLATFORM=offscreen TARVO_MAX_QUIT_WHEN_SHOWN=1 timeout 60 "$root/fs/usr/bin/tarvo-max-editor" --demo
echo "package checked: $(basename "$deb")"
