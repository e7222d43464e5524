#!/usr/bin/env bash
# Checks for what the build needs (cmake, a C++20 compiler, GoogleTest,
# libarchive and libtiff, pkg-config, and ninja when available) and installs what is missing on Debian/Ubuntu when run
# as root; otherwise names the one command to run.
set -euo pipefail

need=()
command -v cmake >/dev/null 2>&1 || need+=(cmake)
command -v g++ >/dev/null 2>&1 || need+=(g++)
command -v make >/dev/null 2>&1 || need+=(make)
[ -f /usr/include/gtest/gtest.h ] || need+=(libgtest-dev)
command -v ninja >/dev/null 2>&1 || need+=(ninja-build)
# pkg-config names the static archives the program links libarchive and
# libtiff from (without it they are linked shared, and every start is slower).
command -v pkg-config >/dev/null 2>&1 || need+=(pkg-config)
# The command-line converter's libraries: zips and GeoTIFF.
for package in libarchive-dev libtiff-dev; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'ok installed' || need+=("$package")
done
if [ ${#need[@]} -gt 0 ] && ! command -v iconv >/dev/null 2>&1; then need+=(libc-bin); fi

[ ${#need[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -eq 0 ] && command -v apt-get >/dev/null 2>&1; then
  echo "installing: ${need[*]}" >&2
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq >&2
  apt-get install -y -qq "${need[@]}" >&2
  exit 0
fi

echo "missing build tools; run:  sudo apt-get install -y ${need[*]}" >&2
exit 1
