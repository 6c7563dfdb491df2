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

expect_same() {
    if ! cmp -s "$1" "$2"; then
        echo "FAIL: $2 differs from $1" >&2
        FAILS=$((FAILS + 1))
    fi
}

expect_files() {
    got=$(ls -A "$1" | tr '\n' ' ')
    if [ "$got" != "$2" ]; then
        echo "FAIL: $1 holds '$got', expected '$2'" >&2
        FAILS=$((FAILS + 1))
    fi
}

# The output's extension is checked before the input is read.
expect_status 1 "$TOOL" "$WORK/missing.obj" "$WORK/out.xyz"
expect_text err "no writer"

# Inputs that cannot be read say why.
mkdir "$WORK/folder.obj"
expect_status 1 "$TOOL" "$WORK/folder.obj" "$WORK/x.bvh"
expect_text err "is a directory"
if [ "$(id -u)" -ne 0 ]; then
    cp "$EXAMPLES/cube.obj" "$WORK/locked.obj"
    chmod 000 "$WORK/locked.obj"
    expect_status 1 "$TOOL" "$WORK/locked.obj"
    expect_text err "permission denied"
fi

# A conversion onto the input, under any name, or onto a material library it reads, is refused.
mkdir "$WORK/self"
cp "$EXAMPLES/cube.obj" "$EXAMPLES/cube.mtl" "$WORK/self/"
ln -s cube.obj "$WORK/self/link.obj"
for output in cube.obj link.obj ./cube.obj; do
    expect_status 1 "$TOOL" "$WORK/self/cube.obj" "$WORK/self/$output"
    expect_text err "is the input file"
done
expect_status 1 "$TOOL" "$WORK/self/cube.obj" "$WORK/self/CUBE.obj"
expect_text err "would overwrite $WORK/self/cube.mtl"
expect_same "$EXAMPLES/cube.obj" "$WORK/self/cube.obj"
expect_same "$EXAMPLES/cube.mtl" "$WORK/self/cube.mtl"
expect_files "$WORK/self" "cube.mtl cube.obj link.obj "

# A format that can hold nothing of the scene is refused, and the file that was there stays.
mkdir "$WORK/kept"
printf 'HIERARCHY\nROOT Hips\n{\nOFFSET 0 0 0\nCHANNELS 6 Xposition Yposition Zposition Zrotation Xrotation Yrotation\nEnd Site\n{\nOFFSET 0 1 0\n}\n}\nMOTION\nFrames: 1\nFrame Time: 0.04\n0 0 0 0 0 0\n' >"$WORK/walk.bvh"
echo "an older file" >"$WORK/kept/keep.bvh"
cp "$WORK/kept/keep.bvh" "$WORK/older"
expect_status 1 "$TOOL" "$EXAMPLES/cube.obj" "$WORK/kept/keep.bvh"
expect_text err "has nothing the BVH motion format holds (no skeleton"
expect_status 1 "$TOOL" "$WORK/walk.bvh" "$WORK/kept/walk.obj"
expect_text err "has nothing the OBJ geometry format holds (no mesh"
expect_same "$WORK/older" "$WORK/kept/keep.bvh"
expect_files "$WORK/kept" "keep.bvh "

# Textures: only regular files from the library's own folder are copied, each one reported.
mkdir -p "$WORK/tex/in/maps" "$WORK/tex/out"
echo "wood" >"$WORK/tex/in/maps/wood.png"
echo "secret" >"$WORK/tex/secret.png"
sed 's/^mtllib .*/mtllib t.mtl/; s/^usemtl blue/usemtl up/' "$EXAMPLES/cube.obj" >"$WORK/tex/in/t.obj"
sed -i 's/^usemtl red/usemtl zero/' "$WORK/tex/in/t.obj"
printf 'newmtl zero\nmap_Kd /dev/zero\nnewmtl up\nmap_Kd ../secret.png\n' >"$WORK/tex/in/t.mtl"
expect_status 0 "$TOOL" "$WORK/tex/in/t.obj" "$WORK/tex/out/t.obj"
expect_text err "\"/dev/zero\" not copied"
expect_text err "secret.png\" not copied: it lies outside the folder"
expect_files "$WORK/tex/out" "t.mtl t.obj "
printf 'newmtl zero\nmap_Kd maps/wood.png\nnewmtl up\n' >"$WORK/tex/in/t.mtl"
expect_status 0 "$TOOL" "$WORK/tex/in/t.obj" "$WORK/tex/out/t.obj"
expect_text err "maps/wood.png\" copied to \"$WORK/tex/out/wood.png\""
expect_same "$WORK/tex/in/maps/wood.png" "$WORK/tex/out/wood.png"

# The kit's own output converts to itself byte for byte.
mkdir "$WORK/pass1" "$WORK/pass2"
expect_status 0 "$TOOL" "$EXAMPLES/cube.obj" "$WORK/pass1/cube.obj"
expect_status 0 "$TOOL" "$WORK/pass1/cube.obj" "$WORK/pass2/cube.obj"
expect_same "$WORK/pass1/cube.obj" "$WORK/pass2/cube.obj"
expect_same "$WORK/pass1/cube.mtl" "$WORK/pass2/cube.mtl"

# DXF both ways: the cube's two meshes become two layers and come back as two meshes.
mkdir "$WORK/dxf"
expect_status 0 "$TOOL" "$EXAMPLES/cube.obj" "$WORK/dxf/mesh.dxf"
expect_status 0 "$TOOL" "$WORK/dxf/mesh.dxf" "$WORK/dxf/back.obj"
expect_status 0 "$TOOL" "$WORK/dxf/mesh.dxf"
expect_text out "Model::sides (Mesh): 16 points"
expect_text out "Model::caps (Mesh): 8 points"

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

# Optical markers: a TRC file to C3D and back keeps names and positions; the C3D summary.
printf 'PathFileType\t4\t(X/Y/Z)\twalk.trc\nDataRate\tCameraRate\tNumFrames\tNumMarkers\tUnits\tOrigDataRate\tOrigDataStartFrame\tOrigNumFrames\n60\t60\t2\t2\tmm\t60\t1\t2\nFrame#\tTime\tKnee\t\t\tHeel\t\t\t\n\t\tX1\tY1\tZ1\tX2\tY2\tZ2\n\n1\t0\t1.5\t2\t3\t4\t5\t6\n2\t0.017\t1.5\t2\t3\t\t\t\n' >"$WORK/walk.trc"
expect_status 0 "$TOOL" "$WORK/walk.trc" "$WORK/walk.c3d"
expect_status 0 "$TOOL" "$WORK/walk.c3d"
expect_text out "Model::C3D:optical (Optical)"
expect_text out "Model::Heel (OpticalMarker)"
expect_status 0 "$TOOL" "$WORK/walk.c3d" "$WORK/back.trc"
expect_status 0 "$TOOL" "$WORK/back.trc" "$WORK/again.trc"
expect_text back.trc "1.50000"
expect_same "$WORK/back.trc" "$WORK/again.trc"

[ "$FAILS" -eq 0 ] && echo "ryvconvert: all checks passed"
[ "$FAILS" -eq 0 ]
