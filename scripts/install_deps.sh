#!/bin/sh
# Installs the Debian packages that are missing, with apt-get, as root or
# through sudo:
#   scripts/install_deps.sh build    what building the program needs
#   scripts/install_deps.sh package  that and what CPack needs for a .deb
#   scripts/install_deps.sh test     that and what the tests, the sanitizer
#                                    and fuzz builds and memcheck need (default)
set -eu
build_packages="make cmake g++ libjpeg62-turbo-dev"
test_packages="libjpeg-turbo-progs libgtest-dev clang-14 libclang-rt-14-dev
valgrind python3"
# dpkg-shlibdeps (dpkg-dev) finds the package's library dependencies; CPack
# looks at the binary with file(1) before asking it.
package_packages="dpkg-dev file"
case "${1:-test}" in
  build) packages=$build_packages ;;
  package) packages="$build_packages $package_packages" ;;
  test) packages="$build_packages $test_packages" ;;
  *) echo "usage: $0 [build|package|test]" >&2; exit 2 ;;
esac
missing=""
for package in $packages; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "ok installed" ||
    missing="$missing $package"
done
[ -z "$missing" ] && exit 0
echo "Installing:$missing"
if [ "$(id -u)" -eq 0 ]; then sudo=""; else sudo="sudo"; fi
# A fresh system has empty package lists: nothing installs before an update.
$sudo apt-get update -q
# shellcheck disable=SC2086
# sudo drops the environment, so the setting travels on the command line.
$sudo env DEBIAN_FRONTEND=noninteractive \
  apt-get install -y -q --no-install-recommends $missing
