#!/usr/bin/env bash
# Installs a build into a scratch prefix and checks it as a desktop and a player meet it: every
# file in its place, the menu entry and the software-centre description valid, the manual pages
# clean, and the installed programs working from a folder outside both trees, with a home of
# their own, started the way the menu starts them. Usage: installed_layout_test.sh BUILD_DIR VERSION
set -uo pipefail
build="$1"
version="$2"
app=com.merrowaudio.TarvoMaxEditor

scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
prefix="$scratch/prefix"
failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

if ! cmake --install "$build" --prefix "$prefix" >"$scratch/install.log" 2>&1; then
    cat "$scratch/install.log"
    echo "FAIL: cmake --install"
    exit 1
fi

expected=(
    "share/applications/$app.desktop"
    "share/metainfo/$app.metainfo.xml"
    "share/icons/hicolor/scalable/apps/$app.svg"
    "lib/udev/rules.d/70-tarvo-max.rules"
    "share/doc/tarvo-max-editor/copyright"
    "share/doc/tarvo-max-editor/changelog.gz"
    "share/doc/tarvo-max-editor/changelog.Debian.gz"
    "share/bash-completion/completions/tarvo-max"
)
for program in tarvo-max-editor tarvo-max tarvo-max-virtual-pedal; do
    [ -x "$prefix/bin/$program" ] || fail "bin/$program is not an installed program"
    expected+=("share/man/man1/$program.1.gz")
done
for file in "${expected[@]}"; do
    [ -s "$prefix/$file" ] || fail "$file is not installed"
done
for size in 16 22 24 32 48 64 128 256 512; do
    png="$prefix/share/icons/hicolor/${size}x${size}/apps/$app.png"
    file -b "$png" 2>/dev/null | grep -q "PNG image data, $size x $size," ||
        fail "no $size x $size PNG icon: $(file -b "$png" 2>&1)"
done

desktop="$prefix/share/applications/$app.desktop"
desktop-file-validate "$desktop" || fail "the desktop entry does not validate"
appstreamcli validate --no-net "$prefix/share/metainfo/$app.metainfo.xml" >"$scratch/appstream.log" 2>&1 ||
    { cat "$scratch/appstream.log"; fail "the metainfo does not validate"; }
grep -qx "Icon=$app" "$desktop" || fail "the desktop entry names another icon"
for page in "$prefix"/share/man/man1/*.1.gz "$prefix"/share/doc/tarvo-max-editor/*.gz; do
    gzip -t "$page" 2>/dev/null || fail "$(basename "$page") is not gzip data"
done
for page in "$prefix"/share/man/man1/*.1.gz; do
    warnings="$(gzip -dc "$page" | LC_ALL=C.UTF-8 groff -man -ww -z 2>&1)"
    [ -z "$warnings" ] || fail "$(basename "$page"): $warnings"
done

# Run from elsewhere, with nothing of the build or source tree reachable by a relative path,
# and a home of its own so the real one is not written to. Only the sanitizers' settings of a
# sanitizer build come along.
elsewhere="$scratch/elsewhere"
mkdir -p "$elsewhere" "$scratch/home" "$scratch/tmp"
keep=()
for name in ASAN_OPTIONS UBSAN_OPTIONS LSAN_OPTIONS; do
    [ -z "${!name:-}" ] || keep+=("$name=${!name}")
done
run() {
    (cd "$elsewhere" && env -i PATH=/usr/bin:/bin HOME="$scratch/home" TMPDIR="$scratch/tmp" \
        XDG_CONFIG_HOME="$scratch/home/.config" TARVO_MAX_WEB_HOST=http://127.0.0.1:9 "${keep[@]}" "$@")
}
out="$(run "$prefix/bin/tarvo-max" --version 2>&1)"
[ "$out" = "tarvo-max $version" ] || fail "tarvo-max --version printed: $out"
out="$(run "$prefix/bin/tarvo-max" --virtual info 2>&1)" || fail "tarvo-max --virtual info: $out"
# The editor's mode file resolves below the documents folder of this home.
out="$(run "$prefix/bin/tarvo-max" mode bank 2>&1)" || fail "tarvo-max mode bank: $out"
[ "$(cat "$scratch/home/Documents/Merrow/Tarvo Max/Mode.txt" 2>/dev/null)" = "BANK" ] ||
    fail "the mode file is not below the documents folder: $out"
# Each of the menu's commands (the entry's and its actions') starts the installed editor, which
# opens its main window and quits; the entry's own lists the virtual pedal, by the editor's own
# option rather than through a shell or env.
grep -qx "Exec=tarvo-max-editor --demo" "$desktop" || fail "the menu entry does not start in demo mode"
[ "$(grep -c '^Exec=tarvo-max-editor' "$desktop")" -eq "$(grep -c '^Exec=' "$desktop")" ] ||
    fail "a menu command starts something else than the editor: $(grep '^Exec=' "$desktop")"
while IFS= read -r command; do
    out="$(run timeout 60 env PATH="$prefix/bin:/usr/bin:/bin" QT_QPA_PLATFORM=offscreen \
        TARVO_MAX_QUIT_WHEN_SHOWN=1 sh -c "$command" 2>&1)" ||
        fail "the menu's command \"$command\" did not start the editor and quit: $out"
done < <(sed -n 's/^Exec=//p' "$desktop")
# Anything but --demo is refused with the usage, before a window opens.
for args in "--no-such-option" "--demo extra"; do
    # shellcheck disable=SC2086
    err="$(run timeout 60 env QT_QPA_PLATFORM=offscreen TARVO_MAX_QUIT_WHEN_SHOWN=1 \
        "$prefix/bin/tarvo-max-editor" $args 2>&1 >/dev/null)"
    status=$?
    [ "$status" -eq 2 ] && grep -qFx "usage: tarvo-max-editor [--demo]" <<<"$err" ||
        fail "tarvo-max-editor $args: status $status, said: $err"
done

if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed"
    exit 1
fi
echo "installed layout: all checks passed"
