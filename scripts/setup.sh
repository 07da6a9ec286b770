#!/usr/bin/env bash
# Installs what the build and the tests need on Debian 12, when it is missing:
# the mingw-w64 cross compilers (i686 and x86_64), Wine (32- and 64-bit), Xvfb,
# CMake, GoogleTest, Google Benchmark, zlib for every target, clang with its
# fuzzer runtime, and for the release wixl, msitools and python3 (the MSI
# packages) and zip/unzip. wine32:i386 installs on any amd64 machine, even one
# whose kernel cannot run it; the tests find out whether it runs.
set -euo pipefail

packages=(
  cmake make g++ clang libclang-rt-14-dev
  googletest libbenchmark-dev zlib1g-dev
  g++-mingw-w64-i686 g++-mingw-w64-x86-64 libz-mingw-w64-dev
  wine wine32:i386 wine64 xvfb
  wixl msitools python3 zip unzip
)

missing=()
for p in "${packages[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
  echo "setup: missing packages: ${missing[*]} (run as root to install them)" >&2
  exit 1
fi
echo "setup: installing ${missing[*]}"
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
fi
export DEBIAN_FRONTEND=noninteractive
# A mirror caught mid-sync fails one index now and then: try again, then go
# on with what was fetched, as the install itself says if a package is missing.
for try in 1 2 3; do
  apt-get update -qq && break
  echo "setup: apt-get update failed (try $try of 3)" >&2
  sleep $((try * 5))
done
# Wine's recommended libraries (X extensions, fonts) are what its windows need.
apt-get install -y -qq "${missing[@]}" >/dev/null
