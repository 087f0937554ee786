#!/usr/bin/env bash
# Reads the udev rule the way udev and systemd-logind will meet it. The seat's user is given a
# device only if it carries the "uaccess" tag by the time 71-seat.rules (which marks it a seat
# device) and 73-seat-late.rules (which grants the access) run, so the rule's file name must
# sort before theirs. Its lines are then matched against the FT230X as udev presents it, for
# both the events it sees when a bridge is plugged in ("add") and when the package re-triggers
# one already attached ("change"): the USB device that libftdi opens and the tty the kernel's
# serial driver makes of it must each come out tagged, with no MODE, GROUP or OWNER that would
# narrow what the system gives them.
# Usage: udev_rule_test.sh RULE
set -uo pipefail
export LC_ALL=C
rule="$1"
name="$(basename "$rule")"
failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

for seat in 71-seat.rules 73-seat-late.rules; do
    [[ "$name" < "$seat" ]] || fail "$name sorts after $seat, which acts on the uaccess tag"
    # Where this machine has systemd's seat rules, they are the ones to sort before.
    if [ -f "/usr/lib/udev/rules.d/$seat" ] && ! grep -q '^TAG=="uaccess"' "/usr/lib/udev/rules.d/$seat"; then
        fail "/usr/lib/udev/rules.d/$seat no longer acts on the uaccess tag"
    fi
done

# The devices, as udev sees them: KEY=value for their own properties and attributes, and
# ATTRS{...}/DRIVERS for what they or a parent have.
usb_device=(SUBSYSTEM=usb ENV{DEVTYPE}=usb_device KERNEL=1-5 DRIVER=usb
            ATTR{idVendor}=0403 ATTR{idProduct}=6015 ATTRS{idVendor}=0403 ATTRS{idProduct}=6015)
tty_device=(SUBSYSTEM=tty KERNEL=ttyUSB0 ATTRS{idVendor}=0403 ATTRS{idProduct}=6015
            DRIVERS=ftdi_sio DRIVERS=usb-serial DRIVERS=usb)

# The value a device has for KEY, one per line (DRIVERS and ATTRS may match any of several).
values_of() {
    local key="$1"
    shift
    local property
    for property in "$@"; do
        [ "${property%%=*}" = "$key" ] && printf '%s\n' "${property#*=}"
    done
}

# Whether VALUE matches udev's PATTERN: shell globs, alternatives separated by |.
glob_matches() {
    local value="$1" pattern="$2" alternative
    IFS='|' read -ra alternatives <<<"$pattern"
    for alternative in "${alternatives[@]}"; do
        # shellcheck disable=SC2053
        [[ "$value" == $alternative ]] && return 0
    done
    return 1
}

# Runs the rule file for one device and action; prints what the matching lines assign, as
# KEY=value, one per line, and UNREAD= with the rest of any line it could not read.
assignments() {
    local action="$1"
    shift
    local device=(ACTION="$action" "$@")
    local line key op value matched found candidate
    while IFS= read -r line; do
        line="${line%%#*}"
        [ -n "${line// /}" ] || continue
        matched=1
        local assigned=()
        while [[ "$line" =~ ^[[:space:],]*([A-Z_]+(\{[^}]*\})?)[[:space:]]*(==|!=|\+=|-=|:=|=)[[:space:]]*\"([^\"]*)\"(.*)$ ]]; do
            key="${BASH_REMATCH[1]}" op="${BASH_REMATCH[3]}" value="${BASH_REMATCH[4]}"
            line="${BASH_REMATCH[5]}"
            case "$op" in
            == | !=)
                found=1
                while IFS= read -r candidate; do
                    glob_matches "$candidate" "$value" && found=0
                done < <(values_of "$key" "${device[@]}")
                if { [ "$op" = "==" ] && [ $found -ne 0 ]; } || { [ "$op" = "!=" ] && [ $found -eq 0 ]; }; then
                    matched=0
                fi
                ;;
            *) assigned+=("$key=$value") ;;
            esac
        done
        [ -z "${line// /}" ] || echo "UNREAD=$line"
        [ $matched -eq 1 ] && [ ${#assigned[@]} -gt 0 ] && printf '%s\n' "${assigned[@]}"
    done <"$rule"
}

for action in add change; do
    for kind in usb_device tty_device; do
        declare -n device="$kind"
        out="$(assignments "$action" "${device[@]}")"
        unset -n device
        ! grep '^UNREAD=' <<<"$out" || fail "lines this test cannot read"
        grep -qx 'TAG=uaccess' <<<"$out" || fail "the $kind on \"$action\" is not tagged uaccess"
        narrowing="$(grep -E '^(MODE|GROUP|OWNER)=' <<<"$out")"
        [ -z "$narrowing" ] || fail "the $kind on \"$action\" is given $narrowing"
    done
done

# The kernel's serial driver keeps its 16 ms latency timer unless told otherwise.
out="$(assignments add SUBSYSTEM=usb-serial KERNEL=ttyUSB0 DRIVERS=ftdi_sio DRIVERS=usb \
    ATTRS{idVendor}=0403 ATTRS{idProduct}=6015)"
grep -qx 'ATTR{latency_timer}=1' <<<"$out" || fail "the bridge's latency timer is not set to 1 ms"

if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed"
    exit 1
fi
echo "udev rule: all checks passed"
