#!/bin/sh
# Checks ryvconvert's exit codes, its summary and a conversion.
# usage: ryvconvert_test.sh PATH_TO_RYVCONVERT PATH_TO_EXAMPLES
set -u
TOOL=$1
EXAMPLES=$2
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
FAILS=0

expect_status() {
    want=$1
    shift
    "$@" >"$WORK/out" 2>"$WORK/err"
    got=$?
    if [ "$got" -ne "$want" ]; then
        echo "FAIL: '$*' exited $got, expected $want" >&2
        FAILS=$((FAILS + 1))
    fi
}

expect_text() {
    if ! grep -q -- "$2" "$WORK/$1"; then
        echo "FAIL: $1 lacks '$2'" >&2
        FAILS=$((FAILS + 1))
    fi
}

expect_status 2 "$TOOL"
expect_text err "usage: ryvconvert"
expect_status 2 "$TOOL" a b c
expect_status 2 "$TOOL" --bogus
expect_status 0 "$TOOL" --help
expect_status 0 "$TOOL" --version
expect_text out "ryvconvert "
expect_status 0 "$TOOL" --formats
expect_text out "obj    OBJ geometry   yes   yes"

expect_status 0 "$TOOL" "$EXAMPLES/cube.obj"
expect_text out "Model::sides (Mesh): 16 points, 4 polygons, 1 layers"
expect_text out "Model::caps (Mesh): 8 points, 2 polygons, 1 layers"
expect_text out "materials: 2"
expect_text out "Default: no animation"

expect_status 0 "$TOOL" "$EXAMPLES/cube.obj" "$WORK/out dir/Cube.OBJ"
[ -f "$WORK/out dir/cube.mtl" ] || { echo "FAIL: no cube.mtl" >&2; FAILS=$((FAILS + 1)); }
expect_status 0 "$TOOL" "$WORK/out dir/Cube.OBJ"
expect_text out "Model::sides (Mesh): 16 points, 4 polygons"

printf 'hello\nworld\n' >"$WORK/prose.obj"
expect_status 1 "$TOOL" "$WORK/prose.obj"
expect_text err "not an OBJ file"
expect_status 1 "$TOOL" "$WORK/missing.obj"
expect_text err "cannot read"
expect_status 1 "$TOOL" "$EXAMPLES/cube.obj" "$WORK/out.xyz"
expect_text err "no writer"

# The native format: binary, ASCII, 5.x and encrypted, and back to OBJ.
expect_status 0 "$TOOL" "$EXAMPLES/cube.obj" "$WORK/cube.ryv"
expect_status 0 "$TOOL" "$WORK/cube.ryv" "$WORK/back.obj"
expect_status 0 "$TOOL" "$WORK/cube.ryv"
expect_text out "Model::sides (Mesh): 16 points, 4 polygons, 1 layers"
expect_text out "materials: 2"
expect_status 0 "$TOOL" --ascii --5x "$WORK/cube.ryv" "$WORK/cube5.ryv"
head -1 "$WORK/cube5.ryv" | grep -q "; RYV ASCII 5000" || { echo "FAIL: not 5.x ASCII" >&2; FAILS=$((FAILS + 1)); }
printf 'opensesame\n' >"$WORK/password"
expect_status 2 "$TOOL" --encrypt "$WORK/cube.ryv" "$WORK/sealed.ryv"
expect_status 0 "$TOOL" --encrypt --password-file "$WORK/password" "$WORK/cube.ryv" "$WORK/sealed.ryv"
expect_status 1 "$TOOL" "$WORK/sealed.ryv"
expect_text err "password"
RYV_TEST_PASSWORD=opensesame expect_status 0 "$TOOL" --password-env RYV_TEST_PASSWORD "$WORK/sealed.ryv"
expect_text out "Model::caps (Mesh): 8 points, 2 polygons"

[ "$FAILS" -eq 0 ] && echo "ryvconvert: all checks passed"
[ "$FAILS" -eq 0 ]
