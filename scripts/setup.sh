#!/bin/sh
# The first command on a new machine, before make is there:
#   scripts/setup.sh demo   installs what building needs, builds the program
#                           and converts the example picture (make demo)
#   scripts/setup.sh test   installs everything the tests need, builds and
#                           runs every test (make test)
# Any other make target may follow instead, with the packages of the tests.
set -eu
cd "$(dirname "$0")/.."
[ $# -gt 0 ] || set -- demo
case "$1" in
  demo | program | install) packages=build ;;
  deb) packages=package ;;
  *) packages=test ;;
esac
./scripts/install_deps.sh "$packages"
exec make "$@"
