#!/bin/sh
# Checks ryvconvert's exit codes, its summary and a conversion.
# usage: ryvconvert_test.sh PATH_TO_RYVCONVERT PATH_TO_EXAMPLES
set -u
TOOL=$1
EXAMPLES=$2
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
FAILS=0
# A conversion that hangs (a pipe opened for reading, say) is ended after this long: far longer
# than any of these takes on a busy machine, so load never fails the test.
STALL_SECONDS=120

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
[ -f "$WORK/out dir/Cube.mtl" ] || { echo "FAIL: no Cube.mtl" >&2; FAILS=$((FAILS + 1)); }
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
    got=$(LC_ALL=C ls -A "$1" | tr '\n' ' ')
    if [ "$got" != "$2" ]; then
        echo "FAIL: $1 holds '$got', expected '$2'" >&2
        FAILS=$((FAILS + 1))
    fi
}

expect_lines() {
    got=$(wc -l <"$WORK/$1")
    if [ "$got" -ne "$2" ]; then
        echo "FAIL: $1 holds $got lines, expected $2" >&2
        FAILS=$((FAILS + 1))
    fi
}

# A refusal names its cause and the file once each.
: >"$WORK/empty.obj"
expect_status 1 "$TOOL" "$WORK/empty.obj"
expect_text err "^ryvconvert: cannot read $WORK/empty.obj: not an OBJ file (no OBJ statement found)$"
expect_lines err 1
printf 'v 0 0 0\000\n' >"$WORK/zero.obj"
expect_status 1 "$TOOL" "$WORK/zero.obj"
expect_text err "^ryvconvert: cannot read $WORK/zero.obj: holds binary data, not text$"
printf 'HIERARCHY\nROOT Hips\n' >"$WORK/cut.bvh"
expect_status 1 "$TOOL" "$WORK/cut.bvh"
expect_text err "^ryvconvert: cannot read $WORK/cut.bvh:2: "
expect_lines err 1
expect_status 1 "$TOOL" "$EXAMPLES/cube.obj" "$WORK/empty.obj/out.dxf"
expect_text err "^ryvconvert: cannot write $WORK/empty.obj/out.dxf: Not a directory$"
if grep -q "Unidentified error" "$WORK/err"; then
    echo "FAIL: a known cause is called unidentified" >&2
    FAILS=$((FAILS + 1))
fi

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
sed 's/^mtllib .*/mtllib lib.mtl/' "$EXAMPLES/cube.obj" >"$WORK/self/in.obj"
cp "$EXAMPLES/cube.mtl" "$WORK/self/lib.mtl"
expect_status 1 "$TOOL" "$WORK/self/in.obj" "$WORK/self/lib.obj"
expect_text err "would overwrite $WORK/self/lib.mtl"
expect_same "$EXAMPLES/cube.mtl" "$WORK/self/lib.mtl"
rm "$WORK/self/in.obj" "$WORK/self/lib.mtl"
# The library is named after the output as given: CUBE.obj beside cube.obj leaves cube.mtl alone.
expect_status 0 "$TOOL" "$WORK/self/cube.obj" "$WORK/self/CUBE.obj"
expect_same "$EXAMPLES/cube.obj" "$WORK/self/cube.obj"
expect_same "$EXAMPLES/cube.mtl" "$WORK/self/cube.mtl"
expect_files "$WORK/self" "CUBE.mtl CUBE.obj cube.mtl cube.obj link.obj "

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
# Points alone (which the OBJ reader does not keep) are refused by the geometry and native
# formats alike, and nothing is written.
printf 'v 0 0 0\nv 1 0 0\nv 0 1 0\np 1 2 3\n' >"$WORK/points.obj"
for ext in obj dxf 3ds ryv; do
    expect_status 1 "$TOOL" "$WORK/points.obj" "$WORK/kept/points.$ext"
    expect_text err "points.obj has nothing the .* format holds (no "
done
expect_files "$WORK/kept" "keep.bvh "

# HTR both ways: a skeleton written as HTR reads back and converts on.
mkdir "$WORK/htr"
expect_status 0 "$TOOL" "$WORK/walk.bvh" "$WORK/htr/walk.htr"
expect_status 0 "$TOOL" "$WORK/htr/walk.htr" "$WORK/htr/back.bvh"
expect_files "$WORK/htr" "back.bvh walk.htr "
# A motion written from a native file keeps the span of the scene's take: the same bytes as directly.
printf 'HIERARCHY\nROOT Hips\n{\nOFFSET 0 0 0\nCHANNELS 6 Xposition Yposition Zposition Zrotation Xrotation Yrotation\nEnd Site\n{\nOFFSET 0 1 0\n}\n}\nMOTION\nFrames: 3\nFrame Time: 0.04\n0 0 0 0 0 0\n1 2 3 10 20 30\n2 4 6 20 40 60\n' >"$WORK/htr/three.bvh"
expect_status 0 "$TOOL" "$WORK/htr/three.bvh" "$WORK/htr/direct.bvh"
expect_status 0 "$TOOL" "$WORK/htr/three.bvh" "$WORK/htr/three.ryv"
expect_status 0 "$TOOL" "$WORK/htr/three.ryv" "$WORK/htr/through.bvh"
expect_same "$WORK/htr/direct.bvh" "$WORK/htr/through.bvh"

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

# A 3DS output names why a texture that is a FIFO or a device is not copied.
mkdir "$WORK/tex/3ds"
mkfifo "$WORK/tex/in/pipe.png"
ln -s /dev/zero "$WORK/tex/in/zero.png"
printf 'newmtl zero\nmap_Kd zero.png\nnewmtl up\nmap_Kd pipe.png\n' >"$WORK/tex/in/t.mtl"
expect_status 0 timeout "$STALL_SECONDS" "$TOOL" "$WORK/tex/in/t.obj" "$WORK/tex/3ds/t.3ds"
expect_text err "zero.png\" not copied: it lies outside the folder"
expect_text err "pipe.png\" not copied: it is not a regular file.$"
if grep -q "Unable to locate" "$WORK/err"; then
    echo "FAIL: a texture that is there is called missing" >&2
    FAILS=$((FAILS + 1))
fi

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
# A long password from a file opens the file as the same password from the environment does;
# a zero byte in it is refused, not cut.
LONG=$(head -c 1500 /dev/zero | tr '\0' 'k')
printf '%s\n' "$LONG" >"$WORK/long"
expect_status 0 "$TOOL" --encrypt --password-file "$WORK/long" "$WORK/cube.ryv" "$WORK/long.ryv"
RYV_TEST_PASSWORD=$LONG expect_status 0 "$TOOL" --password-env RYV_TEST_PASSWORD "$WORK/long.ryv"
printf 'open\000sesame\n' >"$WORK/zero"
expect_status 2 "$TOOL" --password-file "$WORK/zero" "$WORK/long.ryv"
expect_text err "zero byte"
# A summary of a file with embedded media writes nothing.
printf 'image' >"$WORK/tex.png"
printf 'newmtl m\nmap_Kd tex.png\n' >"$WORK/tex.mtl"
printf 'mtllib tex.mtl\nv 0 0 0\nv 1 0 0\nv 0 1 0\nusemtl m\nf 1 2 3\n' >"$WORK/tex.obj"
expect_status 0 "$TOOL" --embed-media "$WORK/tex.obj" "$WORK/media.ryv"
expect_status 0 "$TOOL" "$WORK/media.ryv"
[ ! -e "$WORK/media.qzm" ] || { echo "FAIL: the summary restored media" >&2; FAILS=$((FAILS + 1)); }
mkdir "$WORK/objout"
expect_status 0 "$TOOL" "$WORK/media.ryv" "$WORK/objout/back.obj"
cmp -s "$WORK/tex.png" "$WORK/objout/tex.png" || { echo "FAIL: texture not beside the OBJ" >&2; FAILS=$((FAILS + 1)); }

# The six-degree-of-freedom tables convert into each other; a scene without markers is refused.
mkdir "$WORK/six"
printf '0 7 P 1 2 3 Q 0 0 0 1 0 0\n0 3 P 10 20 30 Q 0 0 0.7071068 0.7071068 0 0\n1 3 P 11 21 31 Q 0 0 0 1 0 500000\n1 7 P 1 2 3 Q 0 0 0 1 0 500000\n' >"$WORK/six/a.brd"
expect_status 0 "$TOOL" "$WORK/six/a.brd" "$WORK/six/b.vpm"
expect_status 0 "$TOOL" "$WORK/six/b.vpm" "$WORK/six/c.mov"
expect_status 0 "$TOOL" "$WORK/six/c.mov" "$WORK/six/d.brd"
expect_status 0 "$TOOL" "$WORK/six/d.brd"
expect_text out "Model::BRD:reference (Optical)"
expect_text out "Model::Marker1 (OpticalMarker)"
grep -q "^Segment:	Marker7$" "$WORK/six/b.vpm" || { echo "FAIL: no segment Marker7" >&2; FAILS=$((FAILS + 1)); }
expect_status 1 "$TOOL" "$EXAMPLES/cube.obj" "$WORK/six/cube.mov"
expect_text err "has nothing the MOV motion format holds (no node marked for export)"

# ASF and AMC go as a pair: an AMC input is read against the ASF file of its name beside it or
# the one --skeleton names; an AMC output gets its ASF file beside it.
mkdir -p "$WORK/asfamc/skeletons" "$WORK/asfamc/out"
printf ':units\n length 0.45\n:root\n order tx ty tz rx ry rz\n axis xyz\n:bonedata\n begin\n name femur\n direction 0 -1 0\n length 4\n axis 0 0 20 xyz\n dof rx ry rz\n end\n:hierarchy\n begin\n root femur\n end\n' >"$WORK/asfamc/walk.asf"
printf '1\nroot 1 2 3 0 0 0\nfemur 10 20 30\n2\nroot 1 2 4 0 0 0\nfemur 11 21 31\n' >"$WORK/asfamc/walk.amc"
expect_status 0 "$TOOL" --help
expect_text out "--skeleton F"
expect_status 0 "$TOOL" "$WORK/asfamc/walk.amc"
expect_text out "walk: 0.000 s to 0.0"
expect_status 0 "$TOOL" "$WORK/asfamc/walk.amc" "$WORK/asfamc/out/walk.bvh"
expect_status 0 "$TOOL" "$WORK/asfamc/out/walk.bvh" "$WORK/asfamc/out/again.amc"
expect_files "$WORK/asfamc/out" "again.amc again.asf walk.bvh "
expect_status 0 "$TOOL" "$WORK/asfamc/out/again.amc"
expect_text out "Model::femur (LimbNode)"
cp "$WORK/asfamc/walk.asf" "$WORK/asfamc/skeletons/body.asf"
rm "$WORK/asfamc/walk.asf"
expect_status 1 "$TOOL" "$WORK/asfamc/walk.amc"
expect_status 0 "$TOOL" --skeleton "$WORK/asfamc/skeletons/body.asf" "$WORK/asfamc/walk.amc"
expect_text out "Model::femur (LimbNode)"
# The skeleton an AMC input was read against is never overwritten.
expect_status 1 "$TOOL" --skeleton "$WORK/asfamc/skeletons/body.asf" "$WORK/asfamc/walk.amc" "$WORK/asfamc/skeletons/body.amc"
expect_text err "would overwrite"

# The pair is put in place together: an AMC write that fails leaves the skeleton beside it as it
# was. The skeleton is never written through a link: the link itself is replaced.
mkdir "$WORK/asfamc/pair"
echo "older skeleton" >"$WORK/asfamc/pair/run.asf"
mkdir "$WORK/asfamc/pair/run.amc"
expect_status 1 "$TOOL" "$WORK/asfamc/out/walk.bvh" "$WORK/asfamc/pair/run.amc"
expect_text asfamc/pair/run.asf "^older skeleton$"
echo "elsewhere" >"$WORK/asfamc/elsewhere.asf"
ln -s ../elsewhere.asf "$WORK/asfamc/pair/link.asf"
expect_status 0 "$TOOL" "$WORK/asfamc/out/walk.bvh" "$WORK/asfamc/pair/link.amc"
expect_text asfamc/elsewhere.asf "^elsewhere$"
[ ! -L "$WORK/asfamc/pair/link.asf" ] || { echo "FAIL: link.asf is still a link" >&2; FAILS=$((FAILS + 1)); }
expect_status 0 "$TOOL" "$WORK/asfamc/pair/link.amc"
expect_files "$WORK/asfamc/pair" "link.amc link.asf run.amc run.asf "
# So is the material library beside an OBJ output.
echo "elsewhere" >"$WORK/asfamc/elsewhere.mtl"
ln -s ../elsewhere.mtl "$WORK/asfamc/pair/cube.mtl"
expect_status 0 "$TOOL" "$EXAMPLES/cube.obj" "$WORK/asfamc/pair/cube.obj"
expect_text asfamc/elsewhere.mtl "^elsewhere$"
[ ! -L "$WORK/asfamc/pair/cube.mtl" ] || { echo "FAIL: cube.mtl is still a link" >&2; FAILS=$((FAILS + 1)); }
expect_text asfamc/pair/cube.mtl "^newmtl "

# FIFOs are refused at once, as devices are: as inputs of every kind, as the skeleton beside an
# AMC input and as the one --skeleton names.
mkdir "$WORK/fifo"
for ext in trc asf obj ryv 3ds c3d bvh; do
    mkfifo "$WORK/fifo/p.$ext"
    expect_status 1 timeout "$STALL_SECONDS" "$TOOL" "$WORK/fifo/p.$ext"
    expect_text err "p.$ext: is not a regular file$"
done
cp "$WORK/asfamc/out/again.amc" "$WORK/fifo/p.amc"
expect_status 1 timeout "$STALL_SECONDS" "$TOOL" "$WORK/fifo/p.amc"
expect_text err "p.asf: is not a regular file$"
expect_status 1 timeout "$STALL_SECONDS" "$TOOL" --skeleton "$WORK/fifo/p.asf" "$WORK/asfamc/out/again.amc"
expect_text err "p.asf: is not a regular file$"
expect_status 2 timeout "$STALL_SECONDS" "$TOOL" --password-file "$WORK/fifo/p.ryv" "$WORK/cube.ryv"
expect_text err "password file $WORK/fifo/p.ryv: is not a regular file$"
expect_status 2 "$TOOL" --password-file "$WORK/fifo" "$WORK/cube.ryv"
expect_text err "password file $WORK/fifo: is a directory$"

# A socket input is refused as the other kinds that are no regular file are.
if command -v python3 >/dev/null 2>&1; then
    python3 -c 'import socket,sys; socket.socket(socket.AF_UNIX).bind(sys.argv[1])' "$WORK/fifo/s.obj"
    expect_status 1 "$TOOL" "$WORK/fifo/s.obj"
    expect_text err "s.obj: is not a regular file$"
fi

# A pipe where a side file goes is replaced, never opened: the write neither stalls nor feeds it.
mkdir "$WORK/side"
mkfifo "$WORK/side/f.asf" "$WORK/side/g.mtl"
expect_status 0 timeout "$STALL_SECONDS" "$TOOL" "$WORK/asfamc/out/walk.bvh" "$WORK/side/f.amc"
expect_status 0 timeout "$STALL_SECONDS" "$TOOL" "$EXAMPLES/cube.obj" "$WORK/side/g.obj"
[ -f "$WORK/side/f.asf" ] && [ -f "$WORK/side/g.mtl" ] || { echo "FAIL: a side pipe stays" >&2; FAILS=$((FAILS + 1)); }
expect_status 0 "$TOOL" "$WORK/side/f.amc"
expect_text out "Model::femur (LimbNode)"

# Output names up to the limit of a name are written.
LONG_NAME=$(head -c 251 /dev/zero | tr '\0' 'n')
expect_status 0 "$TOOL" "$WORK/asfamc/out/walk.bvh" "$WORK/side/$LONG_NAME.bvh"
SHORTER_NAME=$(head -c 247 /dev/zero | tr '\0' 'n')
expect_status 0 "$TOOL" "$WORK/asfamc/out/walk.bvh" "$WORK/side/$SHORTER_NAME.amc"
expect_status 0 "$TOOL" "$WORK/side/$SHORTER_NAME.amc"

# An output named through a link gets its side file beside the link, named after it: where the
# name given finds it.
mkdir "$WORK/side/real" "$WORK/side/links"
echo "old" >"$WORK/side/real/take.amc"
ln -s ../real/take.amc "$WORK/side/links/walk.amc"
expect_status 0 "$TOOL" "$WORK/asfamc/out/walk.bvh" "$WORK/side/links/walk.amc"
expect_files "$WORK/side/links" "walk.amc walk.asf "
expect_files "$WORK/side/real" "take.amc "
expect_status 0 "$TOOL" "$WORK/side/links/walk.amc"
expect_text out "Model::femur (LimbNode)"

# A device as the output leaves a side file no place: the write is refused and nothing lands
# beside the device.
mkdir "$WORK/device"
ln -s /dev/null "$WORK/device/n.obj"
ln -s /dev/null "$WORK/device/n.amc"
expect_status 1 "$TOOL" "$EXAMPLES/cube.obj" "$WORK/device/n.obj"
expect_text err "n.mtl: a material library has no place beside a device or pipe$"
expect_status 1 "$TOOL" "$WORK/asfamc/out/walk.bvh" "$WORK/device/n.amc"
expect_text err "its skeleton $WORK/device/n.asf has no place beside a device or pipe$"
[ ! -e /dev/null.mtl ] && [ ! -e /dev/null.asf ] || { echo "FAIL: a side file beside /dev/null" >&2; FAILS=$((FAILS + 1)); }
expect_files "$WORK/device" "n.amc n.obj "
# A scene without materials needs no library.
grep -v 'mtl' "$EXAMPLES/cube.obj" >"$WORK/device/plain.obj"
expect_status 0 "$TOOL" "$WORK/device/plain.obj" "$WORK/device/n.obj"

# The library keeps the output's name, blanks and backslashes included, beside the libraries
# of names that differ only there, and the OBJ file reads it back.
mkdir "$WORK/names"
echo "decoy" >"$WORK/names/my_cube.mtl"
echo "decoy" >"$WORK/names/b.mtl"
expect_status 0 "$TOOL" "$EXAMPLES/cube.obj" "$WORK/names/my cube.obj"
expect_status 0 "$TOOL" "$EXAMPLES/cube.obj" "$WORK/names/a\\b.obj"
expect_files "$WORK/names" "a\\b.mtl a\\b.obj b.mtl my cube.mtl my cube.obj my_cube.mtl "
expect_text names/my_cube.mtl "^decoy$"
expect_text names/b.mtl "^decoy$"
for output in "my cube.obj" "a\\b.obj"; do
    expect_status 0 "$TOOL" "$WORK/names/$output"
    expect_text out "^materials: 2$"
    if grep -q "Unable" "$WORK/err"; then
        echo "FAIL: $output does not read its library" >&2
        FAILS=$((FAILS + 1))
    fi
done

# A folder at a side file's name says so.
mkdir "$WORK/names/w.asf" "$WORK/names/d.mtl"
expect_status 1 "$TOOL" "$WORK/asfamc/out/walk.bvh" "$WORK/names/w.amc"
expect_text err "w.asf.*Is a directory"
expect_status 0 "$TOOL" "$EXAMPLES/cube.obj" "$WORK/names/d.obj"
expect_text err "d.mtl\": Is a directory.$"

# A texture not copied because another file of its name stands in the output folder is named.
mkdir "$WORK/tex/clash"
echo "other" >"$WORK/tex/clash/wood.png"
printf 'newmtl zero\nmap_Kd maps/wood.png\nnewmtl up\n' >"$WORK/tex/in/t.mtl"
expect_status 0 "$TOOL" "$WORK/tex/in/t.obj" "$WORK/tex/clash/t.obj"
expect_text err "wood.png\" not copied: a different file \"$WORK/tex/clash/wood.png\" stands in its place.$"

# A material library and its OBJ file go in place together: when the OBJ file cannot be
# replaced (an immutable one, where this user may make it so), the library stays the old one
# and the refusal names why.
mkdir "$WORK/pinned"
expect_status 0 "$TOOL" "$EXAMPLES/cube.obj" "$WORK/pinned/o.obj"
echo "old library" >"$WORK/pinned/o.mtl"
if chattr +i "$WORK/pinned/o.obj" 2>/dev/null; then
    expect_status 1 "$TOOL" "$EXAMPLES/cube.obj" "$WORK/pinned/o.obj"
    expect_text err "cannot write $WORK/pinned/o.obj: Operation not permitted$"
    chattr -i "$WORK/pinned/o.obj"
    expect_text pinned/o.mtl "^old library$"
    expect_files "$WORK/pinned" "o.mtl o.obj "
    # The refusal names the file refused, here the library.
    chattr +i "$WORK/pinned/o.mtl"
    expect_status 1 "$TOOL" "$EXAMPLES/cube.obj" "$WORK/pinned/o.obj"
    expect_text err "cannot write $WORK/pinned/o.mtl: Operation not permitted$"
    chattr -i "$WORK/pinned/o.mtl"
    expect_text pinned/o.mtl "^old library$"
    expect_files "$WORK/pinned" "o.mtl o.obj "
fi

# The native options do nothing for other files: naming them there is wrong usage.
for option in --ascii --5x --embed-media; do
    expect_status 2 "$TOOL" $option "$EXAMPLES/cube.obj" "$WORK/never.obj"
    expect_text err "^ryvconvert: $option is for a native (.ryv) output; $WORK/never.obj is not one$"
done
expect_status 2 "$TOOL" --encrypt --password-file "$WORK/password" "$EXAMPLES/cube.obj" "$WORK/never.bvh"
expect_text err "^ryvconvert: --encrypt is for a native (.ryv) output"
expect_status 2 "$TOOL" --password-file "$WORK/password" "$EXAMPLES/cube.obj" "$WORK/never.obj"
expect_text err "^ryvconvert: --password-file is for a native (.ryv) file; neither "
RYV_TEST_PASSWORD=x expect_status 2 "$TOOL" --password-env RYV_TEST_PASSWORD "$EXAMPLES/cube.obj"
expect_text err "^ryvconvert: --password-env is for a native (.ryv) file; $EXAMPLES/cube.obj is not one$"
[ ! -e "$WORK/never.obj" ] && [ ! -e "$WORK/never.bvh" ] || { echo "FAIL: a refused run wrote" >&2; FAILS=$((FAILS + 1)); }
# A password still opens a native input written to another format.
expect_status 0 "$TOOL" --password-file "$WORK/password" "$WORK/sealed.ryv" "$WORK/unsealed.obj"

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

# Markers that hold still keep their frames through a native file, at a rate of no time mode too:
# the native file keeps the rate of the take.
still_trc() {
    printf 'PathFileType\t4\t(X/Y/Z)\tstill.trc\nDataRate\tCameraRate\tNumFrames\tNumMarkers\tUnits\tOrigDataRate\tOrigDataStartFrame\tOrigNumFrames\n%s\t%s\t3\t1\tmm\t%s\t1\t3\nFrame#\tTime\tKnee\t\t\t\n\t\tX1\tY1\tZ1\n\n1\t0\t1\t2\t3\n2\t0\t1\t2\t3\n3\t0\t1\t2\t3\n' "$1" "$1" "$1" >"$2"
}
still_trc 120 "$WORK/still.trc"
expect_status 0 "$TOOL" "$WORK/still.trc" "$WORK/still.ryv"
expect_status 0 "$TOOL" "$WORK/still.ryv" "$WORK/still-back.trc"
expect_text still-back.trc "^120.00	120.00	3	1	mm"
still_trc 200 "$WORK/odd.trc"
expect_status 0 "$TOOL" "$WORK/odd.trc" "$WORK/odd.ryv"
expect_status 0 "$TOOL" "$WORK/odd.ryv" "$WORK/odd.c3d"
expect_status 0 "$TOOL" "$WORK/odd.c3d" "$WORK/odd-back.trc"
expect_text odd-back.trc "^200.00	200.00	3	1	mm"

# A label an optical file repeats is renamed with a warning; two subjects' markers, their
# prefixes dropped, are written under unique names that read back.
printf 'PathFileType\t4\t(X/Y/Z)\tv.trc\nDataRate\tCameraRate\tNumFrames\tNumMarkers\tUnits\tOrigDataRate\tOrigDataStartFrame\tOrigNumFrames\n60\t60\t1\t2\tmm\t60\t1\t1\nFrame#\tTime\tRKNE\t\t\tRKNE\t\t\t\n\t\tX1\tY1\tZ1\tX2\tY2\tZ2\n\n1\t0\t1\t2\t3\t4\t5\t6\n' >"$WORK/virtual.trc"
expect_status 0 "$TOOL" "$WORK/virtual.trc" "$WORK/virtual.c3d"
expect_text err 'marker "RKNE" is read as "RKNE 1"'
printf 'PathFileType\t4\t(X/Y/Z)\tt.trc\nDataRate\tCameraRate\tNumFrames\tNumMarkers\tUnits\tOrigDataRate\tOrigDataStartFrame\tOrigNumFrames\n60\t60\t1\t2\tmm\t60\t1\t1\nFrame#\tTime\tA:Knee\t\t\tB:Knee\t\t\t\n\t\tX1\tY1\tZ1\tX2\tY2\tZ2\n\n1\t0\t1\t2\t3\t4\t5\t6\n' >"$WORK/two.trc"
expect_status 0 "$TOOL" "$WORK/two.trc" "$WORK/two.c3d"
expect_text err 'marker "B:Knee" is written as "Knee 1"'
expect_status 0 "$TOOL" "$WORK/two.c3d"
expect_text out "Model::Knee 1 (OpticalMarker)"

# The summary gives each take's own span, and a TRC's time code beside it is applied and named.
printf 'PathFileType\t4\t(X/Y/Z)\tlate.trc\nDataRate\tCameraRate\tNumFrames\tNumMarkers\tUnits\tOrigDataRate\tOrigDataStartFrame\tOrigNumFrames\n10\t10\t3\t1\tmm\t10\t5\t3\nFrame#\tTime\tA\t\t\t\n\t\tX1\tY1\tZ1\n\n5\t0.4\t1\t2\t3\n6\t0.5\t2\t2\t3\n7\t0.6\t3\t2\t3\n' >"$WORK/late.trc"
expect_status 0 "$TOOL" "$WORK/late.trc"
expect_text out "^  late: 0.400 s to 0.600 s, "
printf '01:00:00:12\nSMPTE\n30\n' >"$WORK/late.tc"
expect_status 0 "$TOOL" "$WORK/late.trc"
expect_text out "^also read: $WORK/late.tc$"
expect_text out "^  late: 3600.400 s to 3600.600 s, "
expect_text err "^ryvconvert: Time Code File: Load late.tc? Yes$"
printf '01:00:00:30\nSMPTE\n30\n' >"$WORK/late.tc"
expect_status 0 "$TOOL" "$WORK/late.trc"
expect_text err "late.tc is invalid$"
expect_text out "^  late: 0.400 s to 0.600 s, "
# A time code beyond what the time type holds is invalid too, and the motion stays.
printf '60000:00:00:00\nSMPTE\n30\n' >"$WORK/late.tc"
expect_status 0 "$TOOL" "$WORK/late.trc"
expect_text err "late.tc is invalid$"
expect_text out "^  late: 0.400 s to 0.600 s, "

# "--" ends the options, so that a file whose name begins with '-' is named as it is.
mkdir "$WORK/dash"
cd "$WORK/dash" || exit 1
expect_status 2 "$TOOL" "$EXAMPLES/cube.obj" -d.obj
expect_status 0 "$TOOL" -- "$EXAMPLES/cube.obj" -d.obj
[ -f "$WORK/dash/-d.obj" ] || { echo "FAIL: no -d.obj" >&2; FAILS=$((FAILS + 1)); }
expect_status 0 "$TOOL" -- -d.obj
expect_text out "Model::sides (Mesh): 16 points"
expect_status 2 "$TOOL" -- -d.obj a.obj b.obj
cd - >/dev/null || exit 1

[ "$FAILS" -eq 0 ] && echo "ryvconvert: all checks passed"
[ "$FAILS" -eq 0 ]
