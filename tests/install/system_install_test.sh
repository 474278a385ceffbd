#!/bin/sh
# Installs the build as the Debian package has it, to /usr under DESTDIR, and
# checks the writer control's settings there: /etc/voice-toolchain/Setup.ini,
# the configuration file that upgrades keep, and in the program folder, where
# fuselok reads it, a link to that file.
#   system_install_test.sh BUILD_DIR
set -eu
build=$1

. "$(dirname "$0")/common.sh"

DESTDIR=$work cmake --install "$build" --prefix /usr >/dev/null

conf=$work/etc/voice-toolchain/Setup.ini
[ -f "$conf" ] && [ ! -L "$conf" ] || fail "no file $conf"
grep -qx 'Editor=lyrasm' "$conf" || fail "$conf is not the writer control's Setup.ini"
link=$work/usr/lib/voice-toolchain/Setup.ini
[ "$(readlink "$link")" = /etc/voice-toolchain/Setup.ini ] ||
    fail "$link is not a link to /etc/voice-toolchain/Setup.ini"
echo "Setup.ini checked under $work"
