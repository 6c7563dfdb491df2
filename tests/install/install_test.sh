#!/bin/sh
# Installs the kit into a fresh prefix, builds the consumer project against it and runs it.
# usage: install_test.sh BUILD_DIR CONSUMER_SOURCE_DIR SAMPLE_OBJ
set -eu
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
cmake --install "$1" --prefix "$WORK/prefix" >/dev/null
[ -f "$WORK/prefix/include/ryvkit/ryvkit.h" ] && [ -f "$WORK/prefix/include/ryvkit/scene/KRyvNode.h" ]
[ -x "$WORK/prefix/bin/ryvconvert" ]
cmake -S "$2" -B "$WORK/build" -G Ninja -DCMAKE_PREFIX_PATH="$WORK/prefix" >/dev/null
cmake --build "$WORK/build" >/dev/null
"$WORK/build/consumer" "$3" | grep -q "nodes: "
echo "install: consumer built and ran"
