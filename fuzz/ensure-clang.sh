#!/usr/bin/env bash
# The fuzz build's own dependency (the rest is scripts/ensure-deps.sh's):
# clang with libFuzzer and the sanitizers. When clang++ cannot link a
# libFuzzer target, installs clang and its runtime libraries with apt-get
# when run as root on Debian/Ubuntu; otherwise names the command to run.
set -euo pipefail

links_fuzzer() {
  command -v clang++ >/dev/null 2>&1 || return 1
  local dir status=0
  dir=$(mktemp -d)
  printf 'extern "C" int LLVMFuzzerTestOneInput(const unsigned char*, unsigned long) { return 0; }\n' \
    >"$dir/probe.cpp"
  clang++ -fsanitize=fuzzer,address,undefined "$dir/probe.cpp" -o "$dir/probe" >/dev/null 2>&1 ||
    status=1
  rm -rf "$dir"
  return $status
}

links_fuzzer && exit 0

# Debian 12 ships libFuzzer in libclang-rt-N-dev, which clang only
# recommends; older releases have it in the package clang depends on.
runtime_package() {
  local major
  major=$(clang++ --version | sed -n 's/.*clang version \([0-9]*\).*/\1/p' | head -n 1)
  if [ -n "$major" ] && apt-cache show "libclang-rt-$major-dev" >/dev/null 2>&1; then
    echo "libclang-rt-$major-dev"
  fi
}

if [ "$(id -u)" -eq 0 ] && command -v apt-get >/dev/null 2>&1; then
  export DEBIAN_FRONTEND=noninteractive
  echo "installing: clang (for make fuzz)" >&2
  apt-get update -qq >&2
  apt-get install -y -qq clang >&2
  runtime=$(runtime_package)
  if [ -n "$runtime" ]; then apt-get install -y -qq "$runtime" >&2; fi
  links_fuzzer && exit 0
  echo "clang is installed but cannot link a libFuzzer target" >&2
  exit 1
fi

echo "make fuzz needs clang with libFuzzer; run:  sudo apt-get install -y clang libclang-rt-14-dev" >&2
echo "(the clang of Debian 12; elsewhere libclang-rt-N-dev for clang N, where it exists)" >&2
exit 1
