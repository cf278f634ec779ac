#!/usr/bin/env bash
# SPDX-FileCopyrightText: The gsmprog developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs a build into a scratch root as the package does and checks that exactly the expected
# files land where Debian looks for them, that each program's --help offers the same
# commands and options as its man pages, English and Russian, and that man-db reads them.
# Usage: install_test.sh BUILD_DIR MAN_SOURCE_DIR
set -euo pipefail
build=$1 man=$2
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
failed=0
fail() { echo "FAIL: $*" >&2; failed=1; }

DESTDIR="$root" cmake --install "$build" --prefix /usr >/dev/null
expected="usr/bin/gsmprog
usr/bin/gsmprog-cli
usr/bin/gsmprog-vmodem
usr/lib/udev/rules.d/70-gsmprog-ftdi.rules
usr/share/applications/gsmprog.desktop
usr/share/doc/gsmprog/changelog.gz
usr/share/doc/gsmprog/copyright
usr/share/doc/gsmprog/ru/img/главное-окно.png
usr/share/doc/gsmprog/ru/img/журнал.png
usr/share/doc/gsmprog/ru/img/контроль.png
usr/share/doc/gsmprog/ru/руководство.md
usr/share/icons/hicolor/64x64/apps/gsmprog.png
usr/share/icons/hicolor/scalable/apps/gsmprog.svg
usr/share/man/man1/gsmprog-cli.1.gz
usr/share/man/man1/gsmprog-vmodem.1.gz
usr/share/man/man1/gsmprog.1.gz
usr/share/man/ru/man1/gsmprog-cli.1.gz
usr/share/man/ru/man1/gsmprog-vmodem.1.gz
usr/share/man/ru/man1/gsmprog.1.gz
usr/share/metainfo/org.gsmprog.gsmprog.metainfo.xml"
installed=$(cd "$root" && find . -type f -o -type l | sed 's|^\./||' | LC_ALL=C sort)
[ "$installed" = "$(LC_ALL=C sort <<<"$expected")" ] ||
  fail "installed files differ from the expected ones:"$'\n'"$(diff <(LC_ALL=C sort <<<"$expected") - <<<"$installed")"

# Long options (--help aside, which every page documents) and, for gsmprog-cli, command names.
help_options() { grep -oE -- '--[a-z][a-z-]*' | grep -vx -- --help | sort -u; }
man_options() { grep -oE '\\-\\-[a-z]([a-z]|\\-)*' | sed 's/\\-/-/g' | grep -vx -- --help | sort -u; }
help_commands() { grep -E '^  [a-z]' | awk '{print $1}' | sort -u; }
man_commands() { grep -A1 -x '\.TP' | grep -oE '^\.BI? [a-z]([a-z]|\\-)*' | awk '{print $2}' |
                 sed 's/\\-/-/g' | sort -u; }

# The English and the Russian pages alike.
for program in gsmprog gsmprog-cli gsmprog-vmodem; do
  help=$("$root/usr/bin/$program" --help 2>&1) || fail "$program --help exits with $?"
  for page in "$man/$program.1" "$man/ru/$program.1"; do
    diff <(help_options <<<"$help") <(man_options <"$page") >/dev/null ||
      fail "options of $program --help (<) and $page (>) differ:"$'\n'"$(
        diff <(help_options <<<"$help") <(man_options <"$page"))"
  done
done
cli_help=$("$root/usr/bin/gsmprog-cli" --help 2>&1)
for page in "$man/gsmprog-cli.1" "$man/ru/gsmprog-cli.1"; do
  diff <(help_commands <<<"$cli_help") <(man_commands <"$page") >/dev/null ||
    fail "commands of gsmprog-cli --help (<) and $page (>) differ:"$'\n'"$(
      diff <(help_commands <<<"$cli_help") <(man_commands <"$page"))"
done
# Each page is one man-db can index (its name line) and renders without a warning.
command -v lexgrog >/dev/null || { echo "man-db is not installed: pages not rendered" >&2; exit $failed; }
for page in "$root"/usr/share/man/{,ru/}man1/*.1.gz; do
  lexgrog "$page" >/dev/null 2>&1 || fail "man-db finds no name line in ${page#"$root"}"
  warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null)
  [ -z "$warnings" ] || fail "${page#"$root"} renders with warnings:"$'\n'"$warnings"
done
exit $failed
