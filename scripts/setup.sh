#!/usr/bin/env bash
# Installs the Debian packages that the named purposes need, only those missing; with no purpose
# named, all of them.
#
#   scripts/setup.sh editor          build and run the editor and the virtual pedal (run-editor.sh)
#   scripts/setup.sh editor tests    the whole build and every test (run-tests.sh)
#   scripts/setup.sh                 all that, and the package and its checks (package.sh, CI)
set -euo pipefail

# The compilers, the build and what the programs link.
editor=(g++ cmake ninja-build pkg-config qt6-base-dev libftdi1-dev libudev-dev)
# The rest of the default build and its tests. clang and its runtime build the sanitizer and
# fuzzing runs; stm32flash and sox are real peers for the bootloader and impulse-response tests.
# librsvg2-bin draws the icon's PNG sizes from its SVG for the install; file, the validators and
# groff check the installed icons, menu entry, metainfo and manual pages.
tests=(clang libclang-rt-14-dev libgtest-dev libgmock-dev libbenchmark-dev stm32flash sox
       librsvg2-bin file desktop-file-utils appstream groff-base)
# The Debian package: dpkg-dev (dpkg-shlibdeps) lets CPack work out its dependencies, with file
# above; lintian and hardening-check (devscripts) judge it as Debian would.
package=(dpkg-dev lintian devscripts)

purposes=("$@")
[ ${#purposes[@]} -gt 0 ] || purposes=(editor tests package)
wanted=()
for purpose in "${purposes[@]}"; do
    case "$purpose" in
        editor) wanted+=("${editor[@]}") ;;
        tests) wanted+=("${tests[@]}") ;;
        package) wanted+=("${package[@]}") ;;
        *) echo "usage: $0 [editor|tests|package]..." >&2; exit 2 ;;
    esac
done

missing=()
for p in "${wanted[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
