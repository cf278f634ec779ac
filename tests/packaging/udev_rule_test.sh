#!/usr/bin/env bash
# SPDX-FileCopyrightText: The gsmprog developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Checks the FTDI cable rule: its text matches FTDI adapters positively, udev's own rule parser
# accepts it, and on every non-USB terminal of this machine (consoles, built-in serial ports,
# ptmx) `udevadm test --action=add` shows it adding neither the uaccess tag nor
# ID_MM_DEVICE_IGNORE, compared with a run of the system's rules alone.
# udevadm runs in a private mount namespace over an empty /run and /dev: it keeps what it
# computed in /run/udev/data and /run/udev/tags (a later run of the same device would inherit
# it) and applies modes and links to /dev, none of which may touch the machine.
# An FTDI adapter itself cannot be simulated: udev accepts only devices on a real sysfs.
# Exits 77 (skipped) where udevadm or a private mount namespace is not available.
# Usage: udev_rule_test.sh RULE_FILE
set -euo pipefail
rule=$(realpath "$1")
name=$(basename "$rule")
failed=0
fail() { echo "FAIL: $*" >&2; failed=1; }
skip() { echo "SKIP: $*" >&2; exit 77; }

if [ -z "${GSMPROG_UDEV_TEST_INSIDE:-}" ]; then
  # The rule's text: every match positive, and nothing assigned without the FTDI match.
  lines=$(grep -vE '^[[:space:]]*(#|$)' "$rule")
  negated=$(grep -n '!=' <<<"$lines" || true)
  [ -z "$negated" ] || fail "negated matches hold for devices without the key:"$'\n'"$negated"
  has_all() { local line=$1; shift; for key; do [[ $line == *"$key"* ]] || return 1; done; }
  tty_rule=0 latency_rule=0
  while IFS= read -r line; do
    has_all "$line" 'SUBSYSTEM=="tty"' 'SUBSYSTEMS=="usb"' 'ATTRS{idVendor}=="0403"' \
      'TAG+="uaccess"' 'ENV{ID_MM_DEVICE_IGNORE}="1"' && tty_rule=1
    has_all "$line" 'SUBSYSTEM=="usb-serial"' 'DRIVER=="ftdi_sio"' 'ATTR{latency_timer}="1"' &&
      latency_rule=1
    if grep -qE '(TAG|ENV\{[A-Z_]+\}|ATTR\{[a-z_/]+\})\+?="' <<<"$line" &&
       ! has_all "$line" 'ATTRS{idVendor}=="0403"' && ! has_all "$line" 'DRIVER=="ftdi_sio"'; then
      fail "assigns without matching an FTDI adapter: $line"
    fi
  done <<<"$lines"
  [ $tty_rule = 1 ] || fail "no rule gives FTDI serial ports uaccess and ID_MM_DEVICE_IGNORE"
  [ $latency_rule = 1 ] || fail "no rule sets latency_timer of ftdi_sio ports to 1"

  command -v udevadm >/dev/null || { [ $failed = 0 ] || exit 1; skip "udevadm (Debian package udev) is not installed"; }
  for namespace in "--mount" "--user --map-root-user --mount"; do
    # shellcheck disable=SC2086
    if unshare $namespace --propagation private sh -c 'mount -t tmpfs none /run' 2>/dev/null; then
      [ $failed = 0 ] || exit 1
      # shellcheck disable=SC2086
      GSMPROG_UDEV_TEST_INSIDE=1 exec unshare $namespace --propagation private bash "$0" "$rule"
    fi
  done
  [ $failed = 0 ] || exit 1
  skip "no private mount namespace for udevadm here"
fi

# Inside the namespace: an empty /run and a /dev holding only null.
mount -t tmpfs none /run
touch /run/null && mount --bind /dev/null /run/null
mount -t tmpfs none /dev
touch /dev/null && mount --bind /run/null /dev/null
rules=/run/udev/rules.d
mkdir -p "$rules"

# Prints the output of `udevadm test` for a device, with our rule (or, with "none", an empty file
# of its name, which also hides an installed copy of it); nothing carried over from a last run.
udev_test() {
  if [ "$2" = none ]; then : >"$rules/$name"; else cp "$rule" "$rules/$name"; fi
  rm -rf /run/udev/data /run/udev/tags
  udevadm test --action=add "$1" 2>&1
}
property() { grep -E "^$1=" || true; }

tested=0
for dev in /sys/class/tty/*; do
  case $(realpath "$dev") in */usb*) continue ;; esac
  tty=$(basename "$dev")
  without=$(udev_test "$dev" none) || { echo "udevadm cannot test $tty without the rule, left out" >&2; continue; }
  with=$(udev_test "$dev" ours) || { fail "udevadm test of $tty fails with the rule:"$'\n'"$with"; continue; }
  if [ $tested = 0 ]; then
    grep -qx "Reading rules file: $rules/$name" <<<"$with" ||
      fail "udevadm did not read $rules/$name (is a copy in /etc/udev/rules.d in its way?)"
    # Parse errors come as FILE:LINE MESSAGE before any device is handled.
    errors=$(grep "^$rules/$name:" <<<"$with" || true)
    [ -z "$errors" ] || fail "udev rejects lines of the rule:"$'\n'"$errors"
  fi
  tested=$((tested + 1))
  tags_without=$(property TAGS <<<"$without") tags_with=$(property TAGS <<<"$with")
  [[ $tags_with != *:uaccess:* || $tags_without == *:uaccess:* ]] ||
    fail "the rule gives $tty to the seat's user ($tags_with)"
  [ -n "$(property ID_MM_DEVICE_IGNORE <<<"$without")" ] ||
    [ -z "$(property ID_MM_DEVICE_IGNORE <<<"$with")" ] ||
    fail "the rule hides $tty from ModemManager"
  acted=$(grep -F "$tty: $rules/$name:" <<<"$with" || true)
  [ -z "$acted" ] || fail "the rule acts on $tty:"$'\n'"$acted"
done
[ $tested -gt 0 ] || skip "udevadm could test none of this machine's terminals"
echo "$tested non-USB terminals tested"
exit $failed
