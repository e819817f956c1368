#!/bin/sh
# Sets up a clean clone the way a newcomer does on a minimal Debian 12 (root,
# no sudo, make, compiler, git or python3, empty package lists): builds such
# a root with mmdebstrap, copies the clone in, runs the README's two set-up
# commands there and prints the time each took. Then it builds the Debian
# package there, checks it with lintian, and installs, runs and removes it
# with apt-get on a second fresh root. Any failure fails the script.
#   scripts/bare_machine_check.sh          as root in the new system
#   scripts/bare_machine_check.sh --sudo   as a user with sudo in it
# Runs as root (chroot and mounts) and needs a Debian mirror; it installs
# mmdebstrap on this machine when missing.
set -eu
mode=${1:-root}
case "$mode" in
  root | --sudo) ;;
  *) echo "usage: $0 [--sudo]" >&2; exit 2 ;;
esac
repo=$(cd "$(dirname "$0")/.." && pwd)
[ "$(id -u)" -eq 0 ] || { echo "$0: run as root" >&2; exit 2; }
if ! command -v mmdebstrap >/dev/null; then
  apt-get update -q && apt-get install -y -q mmdebstrap
fi
work=$(mktemp -d "${TMPDIR:-/var/tmp}/lumitone-bare-XXXXXX")
trap 'rm -rf --one-file-system "$work"' EXIT
path=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin

# in_root <root dir> <user> <shell command>: runs the command in a login
# shell of the user inside the root, with /proc and /dev mounted in a mount
# namespace of its own, so the mounts go when it ends.
in_root() {
  unshare --mount --fork sh -c '
    mount -t proc proc "$1/proc" && mount --rbind /dev "$1/dev" &&
    exec chroot "$1" env -i PATH="$4" TERM=dumb su -l "$2" -c "$3"' \
    sh "$1" "$2" "$3" "$path"
}

# timed <label> <command...>: runs the command and prints how long it took.
timed() {
  label=$1
  shift
  start=$(date +%s)
  "$@"
  echo "== $label: $(($(date +%s) - start)) s" | tee -a "$work/times"
}

# new_root <dir>: a fresh copy of the minimal system, able to resolve names.
new_root() {
  mkdir "$1"
  tar -C "$1" -xf "$work/debian-12.tar"
  cp /etc/resolv.conf /etc/hosts "$1/etc/"
}

git clone -q "$repo" "$work/clone"
echo "== Clean clone of $(git -C "$work/clone" log -1 --format='%h %s')"
timed "mmdebstrap (minimal Debian 12)" \
  mmdebstrap --quiet --variant=minbase bookworm "$work/debian-12.tar"

new_root "$work/build-root"
if [ "$mode" = --sudo ]; then
  # An ordinary system: a user who may use sudo; its package lists emptied
  # again so that the set-up commands still start from nothing.
  in_root "$work/build-root" root "apt-get update -q && apt-get install -y -q sudo &&
    useradd -m newcomer &&
    echo 'newcomer ALL=(ALL) NOPASSWD: ALL' > /etc/sudoers.d/newcomer &&
    rm -rf /var/lib/apt/lists/*" >/dev/null
  user=newcomer
  home=/home/newcomer
else
  user=root
  home=/root
fi
cp -a "$work/clone" "$work/build-root$home/lumitone"
in_root "$work/build-root" root "chown -R $user: $home/lumitone"
run() { in_root "$work/build-root" "$user" "cd lumitone && $1"; }
timed "scripts/setup.sh demo" run "scripts/setup.sh demo"
run "test -s build/lumitone.wav"
timed "scripts/setup.sh test" run "scripts/setup.sh test"

timed "scripts/setup.sh deb" run "scripts/setup.sh deb"
cp "$work/build-root$home"/lumitone/build/lumitone_*_amd64.deb "$work/"
deb=$(basename "$work"/lumitone_*_amd64.deb)
in_root "$work/build-root" root "apt-get install -y -q --no-install-recommends \
  lintian >/dev/null && lintian --fail-on error $home/lumitone/build/$deb"
echo "== lintian: no error"

# The package alone on a fresh system: apt-get fetches the runtime library.
new_root "$work/package-root"
cp "$work/$deb" "$work/package-root/tmp/"
cp "$repo/examples/lumitone.jpg" "$work/package-root/tmp/"
in_root "$work/package-root" root "cd /tmp && apt-get update -q >/dev/null &&
  apt-get install -y -q ./$deb && lumitone -i1:lumitone.jpg -o:out.wav -d:1 &&
  test -s out.wav && test -s /usr/share/man/man1/lumitone.1.gz &&
  apt-get purge -y -q --autoremove lumitone &&
  ! dpkg-query -W libjpeg62-turbo 2>/dev/null &&
  ! find / -xdev -path /tmp -prune -o -name '*lumitone*' -print | grep ."
echo "== $deb: installed, ran, removed with its library, nothing left"
echo "== Times ($mode):"
cat "$work/times"
