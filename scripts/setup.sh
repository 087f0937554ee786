#!/usr/bin/env bash
# Installs the Debian packages the editor needs to build and test, only those missing.
set -euo pipefail

# clang and its runtime build the sanitizer and fuzzing runs; stm32flash and sox are real peers
# for the bootloader and impulse-response tests. librsvg2-bin draws the icon's PNG sizes from its
# SVG; dpkg-dev (dpkg-shlibdeps) and file let CPack work out the package's dependencies; the
# validators and groff check the desktop entry, the metainfo and the manual pages; lintian and
# hardening-check (devscripts) judge the package as Debian would.
packages=(g++ clang libclang-rt-14-dev cmake ninja-build pkg-config qt6-base-dev libftdi1-dev
          libgtest-dev libgmock-dev libbenchmark-dev stm32flash sox
          librsvg2-bin dpkg-dev file desktop-file-utils appstream groff-base lintian devscripts)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
