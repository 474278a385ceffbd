#!/bin/sh
# The README's set-up commands, `./make example` and `./make test`, on a machine
# that may not have make yet: installs what is missing (make among it), then
# hands the arguments to make.
set -e
cd "$(dirname "$0")"
scripts/bootstrap
exec /usr/bin/make "$@"
