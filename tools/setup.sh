#!/usr/bin/env bash
# Installs with apt-get whatever the build and the tests need and this machine lacks, saying what
# it installs; nothing happens when everything is there. The README's two commands start with it,
# and so does .ci/run, which passes --fuzz to add the compiler of the fuzz build.
# usage: tools/setup.sh [--fuzz]
set -euo pipefail

need=()
command -v cmake >/dev/null || need+=(cmake)
command -v ninja >/dev/null || need+=(ninja-build)
command -v g++ >/dev/null || need+=(g++)
command -v pkg-config >/dev/null || need+=(pkg-config)
[ -f /usr/include/gtest/gtest.h ] || need+=(libgtest-dev)
[ -f /usr/include/benchmark/benchmark.h ] || need+=(libbenchmark-dev)
[ -f /usr/include/zlib.h ] || need+=(zlib1g-dev)
[ -f /usr/include/sodium.h ] || need+=(libsodium-dev)
# The motion formats' angle functions.
pkg-config --exists sleef 2>/dev/null || need+=(libsleef-dev)
# Independent readers that the tests check the kit's 3DS, DXF and OBJ files with.
[ -f /usr/include/lib3ds/file.h ] || need+=(lib3ds-dev)
[ -f /usr/include/dxflib/dl_dxf.h ] || need+=(libdxflib-dev)
[ -f /usr/include/tiny_obj_loader.h ] || need+=(libtinyobjloader-dev)
if [ "${1:-}" = "--fuzz" ]; then
    command -v clang++ >/dev/null || need+=(clang)
fi

if [ ${#need[@]} -eq 0 ]; then
    exit 0
fi
echo "setup: installing ${need[*]}" >&2
run=()
if [ "$EUID" -ne 0 ]; then
    if ! command -v sudo >/dev/null; then
        echo "setup: not root and no sudo: install ${need[*]} as root, then run this again" >&2
        exit 1
    fi
    run=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${run[@]}" apt-get update -q
"${run[@]}" apt-get install -y -q "${need[@]}"
