#!/bin/sh
# Installs the Debian packages the build and the tests need, when missing.
set -eu
packages="cmake make g++ libjpeg62-turbo-dev libjpeg-turbo-progs libgtest-dev
clang-14 libclang-rt-14-dev valgrind"
missing=""
for package in $packages; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "ok installed" ||
    missing="$missing $package"
done
[ -z "$missing" ] && exit 0
echo "Installing:$missing"
if [ "$(id -u)" -eq 0 ]; then sudo=""; else sudo="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -q
# shellcheck disable=SC2086
$sudo apt-get install -y -q $missing
