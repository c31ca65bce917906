#!/usr/bin/env bash
# fresh-debian-check.sh [--tarball FILE] [--keep] [--dir DIR] [--deb FILE]
#
# Runs the README's test command (bash scripts/test.sh) as a newcomer would:
# as root in a minimal Debian 12 root made by debootstrap, with a copy of this
# work tree (tracked files as they are now, plus new files git does not
# ignore). Exits with the status of that command, or 1 when it passed with
# the window tests skipped (no X server in the root). Run as root; it takes long
# (debootstrap, every package, two full builds), so it is not part of CI: run
# it before resolving anything that touches the set-up.
#
#   --tarball FILE  keep debootstrap's downloads in FILE and reuse them when
#                   FILE exists (the root itself is still made anew)
#   --keep          leave the root in place afterwards (it is printed)
#   --dir DIR       make the root in DIR (must not exist; default: a new
#                   folder under /var/tmp)
#   --deb FILE      instead of the tests: install the package FILE (made by
#                   cpack in a build tree) with what apt takes from its Depends,
#                   and only a compiler, cmake, pkg-config and ImageMagick
#                   beside it, then build and run the game of examples/consumer
#                   against it (scripts/consumer-check.sh --installed /usr)
# VEXO_FRESH_TARBALL=FILE does the same as --tarball FILE.
set -euo pipefail
cd "$(dirname "$0")/.."
tarball=${VEXO_FRESH_TARBALL:-}
keep=0
dir=
deb=
while [ $# -gt 0 ]; do
  case $1 in
    --tarball) tarball=$2; shift 2 ;;
    --keep) keep=1; shift ;;
    --dir) dir=$2; shift 2 ;;
    --deb) deb=$(realpath "$2"); shift 2 ;;
    -h|--help) sed -n '2,21p' "$0"; exit 0 ;;
    *) echo "fresh-debian-check: unknown option $1" >&2; exit 2 ;;
  esac
done
[ -z "$tarball" ] || tarball=$(realpath -m "$tarball")
[ "$(id -u)" = 0 ] || { echo "fresh-debian-check: run as root" >&2; exit 2; }

if ! command -v debootstrap >/dev/null; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends debootstrap
fi

# The Debian mirror this host uses for bookworm (deb822 or one-line form).
mirror=
security=
for f in /etc/apt/sources.list.d/*.sources; do
  [ -f "$f" ] || continue
  while read -r uri; do
    case $uri in
      *debian-security*) security=${security:-$uri} ;;
      *debian*) mirror=${mirror:-$uri} ;;
    esac
  done < <(awk '/^URIs:/ {print $2}' "$f")
done
for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
  [ -f "$f" ] || continue
  while read -r uri suite; do
    case $suite in
      bookworm-security*) security=${security:-$uri} ;;
      bookworm) mirror=${mirror:-$uri} ;;
    esac
  done < <(awk '$1 == "deb" && $2 !~ /^\[/ {print $2, $3}' "$f")
done
mirror=${mirror:-http://deb.debian.org/debian}
security=${security:-http://deb.debian.org/debian-security}

if [ -z "$dir" ]; then
  root=$(mktemp -d /var/tmp/vexo-fresh.XXXXXX)
  chmod 755 "$root"  # it becomes /, which every user must be able to enter
else
  [ ! -e "$dir" ] || { echo "fresh-debian-check: $dir exists" >&2; exit 2; }
  mkdir -p "$dir"
  root=$(cd "$dir" && pwd)
fi

mounted=()
cleanup() {
  local i
  for ((i = ${#mounted[@]} - 1; i >= 0; i--)); do
    umount "${mounted[i]}" 2>/dev/null || umount -l "${mounted[i]}" || true
  done
  # Never delete while anything is still mounted below the root (that would
  # reach the host's /dev); --one-file-system guards the same.
  if [ "$keep" = 1 ]; then
    echo "fresh-debian-check: root kept in $root"
  elif grep -q " $root/" /proc/mounts; then
    echo "fresh-debian-check: $root still has mounts; not removed" >&2
  else
    rm -rf --one-file-system "$root"
  fi
}
trap cleanup EXIT
trap 'exit 130' INT TERM

echo "fresh-debian-check: debootstrap from $mirror into $root"
boot=(--variant=minbase)
if [ -n "$tarball" ]; then
  if [ ! -f "$tarball" ]; then
    debootstrap "${boot[@]}" --make-tarball="$tarball" bookworm "$root/.tarball-work" "$mirror"
    rm -rf --one-file-system "$root/.tarball-work"
  fi
  boot+=(--unpack-tarball="$tarball")
fi
debootstrap "${boot[@]}" bookworm "$root" "$mirror"

# A fresh installation also gets the updates and security suites.
cat > "$root/etc/apt/sources.list" <<EOF
deb $mirror bookworm main
deb $mirror bookworm-updates main
deb $security bookworm-security main
EOF
cp -L /etc/resolv.conf "$root/etc/resolv.conf"

mkdir -p "$root/root/vexo"
git ls-files -z --cached --others --exclude-standard |
  while IFS= read -r -d '' f; do [ -e "$f" ] && printf '%s\0' "$f"; done |
  tar --null -T - -cf - | tar -C "$root/root/vexo" -xf -

for m in proc sys dev dev/pts dev/shm; do
  mkdir -p "$root/$m"
  case $m in
    proc) mount -t proc proc "$root/proc" ;;
    *) mount --bind "/$m" "$root/$m" ;;
  esac
  mounted+=("$root/$m")
done

in_root() {
  chroot "$root" /usr/bin/env -i HOME=/root TERM="${TERM:-dumb}" \
    PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
    bash -c "cd /root/vexo && $1"
}
if [ -n "$deb" ]; then
  cp "$deb" "$root/root/$(basename "$deb")"
  echo "fresh-debian-check: installing $(basename "$deb") in the new root and building the consumer against it"
  start=$(date +%s)
  status=0
  in_root "export DEBIAN_FRONTEND=noninteractive && apt-get update -qq &&
           apt-get install -y -qq --no-install-recommends /root/$(basename "$deb") g++ make cmake ninja-build \
             pkg-config imagemagick >/dev/null &&
           dpkg-query -W -f='\${Package} \${Version}\n' vexo timgm6mb-soundfont fonts-dejavu-core fonts-vlgothic &&
           bash scripts/consumer-check.sh --installed /usr" || status=$?
  echo "fresh-debian-check: the package check exited with $status after $(( $(date +%s) - start )) s"
  exit "$status"
fi

echo "fresh-debian-check: running bash scripts/test.sh in the new root"
start=$(date +%s)
status=0
in_root 'bash scripts/test.sh' || status=$?
echo "fresh-debian-check: scripts/test.sh exited with $status after $(( $(date +%s) - start )) s"
[ "$status" = 0 ] || exit "$status"

# Window tests without an X server skip and still pass; here they must run.
out=$(in_root "cd build && ctest -R '^test_sdl_window\$' -V 2>&1") || status=$?
if [ "$status" != 0 ] || grep -q SKIPPED <<<"$out"; then
  printf '%s\n' "$out" | tail -20
  echo "fresh-debian-check: the window tests did not run in the new root" >&2
  exit 1
fi
echo "fresh-debian-check: the window tests ran ($(grep -c '\[       OK \]' <<<"$out") passed)"
