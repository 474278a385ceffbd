#!/bin/sh
# scripts/bootstrap run by a user who cannot install the missing packages:
# without sudo, and with a sudo that refuses. Both times it must print the
# apt-get line root can run, and must not ask root to run anything from a
# folder this user may have written. id, dpkg-query and sudo are stand-ins.
#   bootstrap_test.sh BOOTSTRAP
set -eu
bootstrap=$1

. "$(dirname "$0")/common.sh"

mkdir "$work/user" "$work/sudo"
printf '#!/bin/sh\necho 1000\n' >"$work/user/id"
printf '#!/bin/sh\necho "unknown ok not-installed"\n' >"$work/user/dpkg-query"
printf '#!/bin/sh\necho "Sorry, user alice may not run sudo on host." >&2\nexit 1\n' >"$work/sudo/sudo"
chmod +x "$work/user/id" "$work/user/dpkg-query" "$work/sudo/sudo"

for case in "no sudo:$work/user" "sudo refusing:$work/sudo:$work/user"; do
    name=${case%%:*}
    if PATH=${case#*:} "$(command -v sh)" "$bootstrap" >"$work/out" 2>&1; then
        fail "$name: bootstrap succeeded"
    fi
    grep -q '^    apt-get install --no-install-recommends g++ cmake .*desktop-file-utils dpkg-dev file$' \
        "$work/out" || fail "$name: no apt-get line for root: $(cat "$work/out")"
    grep -q 'scripts/bootstrap' "$work/out" && fail "$name: root is asked to run the script"
    case $name in sudo*) grep -q '^Sorry, user alice' "$work/out" || fail "$name: sudo not asked" ;; esac
done
echo "bootstrap's messages checked"
