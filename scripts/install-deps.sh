#!/usr/bin/env bash
# Installs what building and testing need on Debian 12, and nothing when all of
# it is there already (then it prints nothing). Run as root; used by run.sh,
# test.sh and CI.
#
#   scripts/install-deps.sh
#
# Also unpacks the npm package 7zip-bin into deps/7zip-bin (7za for Linux, which
# makes the sample driver package, and 7za.exe for Windows, the benchmarks'
# floor) and Debian's source package 7zip into deps/7zip-src (the C decoder the
# stand-in archiver library is built from). Where the kernel runs no 32-bit code,
# registers qemu's i386 emulation for the 32-bit Wine, switched off (the 32-bit
# smoke suite switches it on for its run only).
set -euo pipefail

repo=$(cd "$(dirname "$0")/.." && pwd)
seven_zip_version=5.2.0

packages=(
  cmake g++ pkg-config python3 googletest libgtest-dev libarchive-dev file
  g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix
  binutils-mingw-w64-i686 binutils-mingw-w64-x86-64 mingw-w64-tools
  wine wine64 wine32:i386
  xvfb xauth x11-utils xdotool imagemagick socat qemu-user-static
  clang libclang-rt-14-dev
  dpkg-dev debian-archive-keyring
)

as_root() {
  if [ "$(id -u)" = 0 ]; then "$@"
  elif command -v sudo >/dev/null 2>&1; then sudo "$@"
  else echo "install-deps: must run as root to install: $*" >&2; exit 1
  fi
}

installed() {
  [ "$(dpkg-query -W -f='${Status}' "$1" 2>/dev/null)" = "install ok installed" ]
}

missing=()
for p in "${packages[@]}"; do installed "$p" || missing+=("$p"); done
# Node.js may come from elsewhere than Debian (with its own npm): take Debian's
# only when there is no npm at all.
command -v npm >/dev/null 2>&1 || missing+=(nodejs npm)

if [ ${#missing[@]} -gt 0 ]; then
  echo "install-deps: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  # wine32 is an i386 package.
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    as_root dpkg --add-architecture i386
  fi
  # A mirror in the middle of a sync fails one index or another for a while;
  # try again, then go on with what was fetched: the install below fails
  # plainly if a package is really out of reach.
  for attempt in 1 2 3; do
    as_root apt-get update -qq && break
    echo "install-deps: apt-get update failed (attempt $attempt of 3)" >&2
    [ "$attempt" = 3 ] || sleep 10
  done
  if ! as_root apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null; then
    # When one architecture's security index was out of reach, the i386 and
    # amd64 halves of a library resolve to different versions and apt gives
    # up. The release's own archive holds matching pairs: prefer it for this
    # install (a pin in a file of our own; the system's configuration is left
    # alone), downgrading the few amd64 halves that must match.
    release=$(. /etc/os-release && echo "$VERSION_CODENAME")
    echo "install-deps: retrying with $release's own archive preferred" >&2
    pin=$(mktemp)
    printf 'Package: *\nPin: release n=%s\nPin-Priority: 1001\n' "$release" >"$pin"
    as_root apt-get install -y -qq --no-install-recommends --allow-downgrades \
      -o Dir::Etc::Preferences="$pin" "${missing[@]}" >/dev/null
    rm -f "$pin"
  fi
fi

# The 7-Zip binaries, from the npm registry as a plain tarball (no node project).
seven_zip=$repo/deps/7zip-bin
if ! grep -qs "\"version\": \"$seven_zip_version\"" "$seven_zip/package.json" \
   || [ ! -f "$seven_zip/linux/x64/7za" ] || [ ! -f "$seven_zip/win/ia32/7za.exe" ]; then
  echo "install-deps: fetching 7zip-bin@$seven_zip_version"
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
  (cd "$work" && npm pack --silent "7zip-bin@$seven_zip_version" >/dev/null)
  tar -xzf "$work/7zip-bin-$seven_zip_version.tgz" -C "$work"
  rm -rf "$seven_zip"
  mkdir -p "$repo/deps"
  mv "$work/package" "$seven_zip"
fi
# npm tarballs do not always keep the run bit.
[ -x "$seven_zip/linux/x64/7za" ] || chmod +x "$seven_zip/linux/x64/7za"

# 7-Zip's own C decoder, which the stand-in archiver library is built from:
# the public-domain LZMA SDK files that 7-Zip's source carries, taken from
# Debian's source package "7zip" through a deb-src list of our own, with
# apt's state and cache under deps/ (the system's apt configuration is left
# as it is). apt checks the files against the signed release's hashes;
# dpkg-source applies Debian's patches.
seven_zip_src=$repo/deps/7zip-src
if [ ! -f "$seven_zip_src/C/7zArcIn.c" ]; then
  echo "install-deps: fetching the source package 7zip"
  apt_dir=$repo/deps/apt
  codename=$(. /etc/os-release && echo "$VERSION_CODENAME")
  # The mirror the system's own list names for Debian's main archive.
  mirror=$(apt-get indextargets --format '$(REPO_URI)' 'Created-By: Packages' 'Label: Debian' \
             "Codename: $codename" | head -n 1)
  [ -n "$mirror" ] || { echo "install-deps: no Debian mirror in the system's apt list" >&2; exit 1; }
  keyring=/usr/share/keyrings/debian-archive-keyring.gpg
  rm -rf "$apt_dir"
  mkdir -p "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial" "$apt_dir/source"
  echo "deb-src [signed-by=$keyring] $mirror $codename main" >"$apt_dir/sources.list"
  apt_private=(-o "Dir::Etc::SourceList=$apt_dir/sources.list" -o Dir::Etc::SourceParts=/dev/null
               -o "Dir::State::Lists=$apt_dir/lists" -o "Dir::Cache=$apt_dir/cache")
  # As for the system's lists above: a mirror in the middle of a sync.
  for attempt in 1 2 3; do
    apt-get "${apt_private[@]}" update -qq && break
    echo "install-deps: apt-get update of the source list failed (attempt $attempt of 3)" >&2
    [ "$attempt" = 3 ] || sleep 10
  done
  # The download is checked even where apt cannot hand it to its own user.
  (cd "$apt_dir/source" &&
   apt-get "${apt_private[@]}" -o APT::Sandbox::User=root source --download-only -qq 7zip)
  dsc=$(ls "$apt_dir"/source/7zip_*.dsc | head -n 1)
  rm -rf "$seven_zip_src" "$apt_dir/source/unpacked"
  dpkg-source --no-check -x "$dsc" "$apt_dir/source/unpacked" >/dev/null
  mv "$apt_dir/source/unpacked" "$seven_zip_src"
  rm -rf "$apt_dir"
fi

# The 32-bit Wine under emulation, where the kernel cannot run it. Hosts that
# run 32-bit code, and hosts where it is registered already, are left alone.
# shellcheck source=../tests/wine/i386-emulation.sh
. "$repo/tests/wine/i386-emulation.sh"
if [ "$(i386_emulation_state)" = absent ] && ! kernel_runs_i386; then
  echo "install-deps: this kernel runs no 32-bit code; registering qemu's i386 emulation for the 32-bit Wine (off until the 32-bit smoke suite runs)"
  as_root bash -c ". '$repo/tests/wine/i386-emulation.sh' && register_i386_emulation" ||
    echo "install-deps: the i386 emulation could not be registered; the 32-bit smoke suite will be skipped" >&2
fi
exit 0
