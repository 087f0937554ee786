#!/usr/bin/env bash
# Sources tarvo-max's bash completion and checks what it offers, as bash would ask it while a
# line is typed. Arguments: the folder of the tarvo-max program, the completion script.
set -euo pipefail
bin=$1
script=$2
state=$(mktemp -d)
trap 'rm -rf "$state"' EXIT
# The library's presets live below the documents folder, which is below HOME.
export PATH="$bin:$PATH" XDG_STATE_HOME=$state HOME=$state
unset TARVO_MAX_SERIAL_PORT TARVO_MAX_VIRTUAL_PEDAL

# shellcheck source=/dev/null
source "$script"
failures=0

# The completions of a line whose last word is being typed, one a line.
completions() {
    COMP_WORDS=("$@")
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMPREPLY=()
    _tarvo_max
    printf '%s\n' "${COMPREPLY[@]}"
}

# The line typed, then what must be offered (all of it, one a line).
expect() {
    local want=$1
    shift
    local got
    got=$(completions "$@")
    if [[ $got != "$want" ]]; then
        printf 'FAIL: %s\n  wanted: %q\n  got:    %q\n' "$*" "$want" "$got"
        failures=$((failures + 1))
    fi
}

[[ $(complete -p tarvo-max) == *"-F _tarvo_max tarvo-max" ]] || { echo "FAIL: not registered"; exit 1; }

expect upload tarvo-max up
expect $'midi\nmode\nmemory' tarvo-max m
expect --json tarvo-max state --j
expect $'--virtual\n--virtual-reset\n--verbose\n--version' tarvo-max info --v
expect --bank tarvo-max upload Digital Delay --b
expect $'1\n2\n3' tarvo-max upload Digital Delay --bank ''
expect Delay tarvo-max upload digital d
expect 'Shimmer\ Reverb' tarvo-max ir cab.wav --effect shim
expect $'dump\nerase' tarvo-max memory ''
expect $'50\n51' tarvo-max memory dump 5
expect $'save\nload' tarvo-max preset ''
expect 'G#5' tarvo-max coeff 'g#5'
expect 'Firmware_1' tarvo-max flash F
expect $'list\nsave\nload\nrename\ndelete' tarvo-max library ''
expect $'reverse\nrestore' tarvo-max re
expect --verify tarvo-max flash --veri
expect read tarvo-max firmware ''
expect '' tarvo-max firmware read --size ''
expect info tarvo-max bootloader i
expect --follow tarvo-max devices --f

# The running effect's parameters, asked of the virtual pedal that the last run left running.
tarvo-max --virtual upload "Digital Delay" >/dev/null
expect Feedback tarvo-max --virtual set Fe
expect $'on\noff' tarvo-max --virtual reverse Feedback o
expect $'KI\nKII\nKIII\nKIV\nKV' tarvo-max --virtual assign Time K
expect 'Tap\ Tempo' tarvo-max --virtual assign readback T
expect Feedback tarvo-max --virtual-reset set Fe
tarvo-max --virtual library save "clean delay" >/dev/null
expect 'clean\ delay' tarvo-max library load cl
[[ -e $state/tarvo-max/virtual-pedal ]] || { echo "FAIL: completing forgot the virtual pedal"; failures=$((failures + 1)); }

if ((failures)); then
    echo "$failures completion(s) wrong"
    exit 1
fi
echo "all completions as expected"
