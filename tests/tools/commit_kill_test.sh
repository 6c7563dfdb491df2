#!/bin/bash
# Kills ryvconvert writes of a file pair at random moments and checks what each leaves: with no
# journal beside the output, the pair is whole (both old or both new); one more run of the same
# command then leaves the new pair and nothing else. Then starts two writers of one pair at once
# and checks that the pair is one writer's whole. Not part of ctest: the kills are random.
# usage: commit_kill_test.sh PATH_TO_RYVCONVERT SAMPLES_FOLDER [KILLS] [RACES]
set -u
TOOL=$1
SAMPLES=$2
KILLS=${3:-500}
RACES=${4:-60}
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT

# A grid OBJ file of about 1 MB with two materials; $1 makes its numbers differ.
make_obj() {
    mkdir -p "$2"
    printf 'newmtl red\nKd 1 0 0\nnewmtl blue\nKd 0 0 %s\n' "$1" >"$2/in.mtl"
    awk -v s="$1" 'BEGIN {
        n = 120; print "mtllib in.mtl"
        for (i = 0; i < n; i++) for (j = 0; j < n; j++) printf "v %d %d %.3f\n", i, j, s * (i + j)
        for (i = 0; i < n - 1; i++) {
            print (i < n / 2 ? "usemtl red" : "usemtl blue")
            for (j = 0; j < n - 1; j++) {
                a = i * n + j + 1
                printf "f %d %d %d %d\n", a, a + 1, a + n + 1, a + n
            }
        }
    }' >"$2/in.obj"
}

# Whether folder $1 holds exactly the files $3 and $4 of folder $2, byte for byte.
same_pair() {
    cmp -s "$1/$3" "$2/$3" && cmp -s "$1/$4" "$2/$4"
}

# kills NAME OLD_INPUT NEW_INPUT OUTPUT_NAME SIDE_NAME
kills() {
    local name=$1 old=$2 new=$3 out=$4 side=$5
    local ref_old="$WORK/$name-old" ref_new="$WORK/$name-new" dir="$WORK/$name-out"
    mkdir -p "$ref_old" "$ref_new" "$dir"
    "$TOOL" "$old" "$ref_old/$out" 2>/dev/null || { echo "$name: reference write failed"; return 1; }
    "$TOOL" "$new" "$ref_new/$out" 2>/dev/null || { echo "$name: reference write failed"; return 1; }
    local start end span
    start=$(date +%s%N)
    "$TOOL" "$new" "$dir/$out" 2>/dev/null
    end=$(date +%s%N)
    span=$(((end - start) / 1000))
    local killed=0 finished=0 journals=0 hidden=0 mixed=0 bad=0 i
    for ((i = 0; i < KILLS; i++)); do
        rm -rf "$dir" && mkdir "$dir" && cp "$ref_old/$out" "$ref_old/$side" "$dir/"
        "$TOOL" "$new" "$dir/$out" >/dev/null 2>&1 &
        local pid=$!
        # Every other kill comes near the end of the run, where the files are put in place.
        sleep "$(awk -v r=$RANDOM -v s=$span -v late=$((i % 2)) \
            'BEGIN { f = late ? 0.8 + r / 32768 * 0.3 : r / 32768 * 1.1; printf "%.6f", f * s / 1e6 }')"
        kill -9 "$pid" 2>/dev/null
        if { wait "$pid"; } 2>/dev/null; then finished=$((finished + 1)); else killed=$((killed + 1)); fi
        local left
        left=$(ls -A "$dir" | grep -c '^\.')
        hidden=$((hidden + (left > 0)))
        if [ -e "$dir/.$out.commit" ]; then
            journals=$((journals + 1))
        elif ! same_pair "$dir" "$ref_old" "$out" "$side" && ! same_pair "$dir" "$ref_new" "$out" "$side"; then
            mixed=$((mixed + 1))
        fi
        if ! "$TOOL" "$new" "$dir/$out" >/dev/null 2>&1 || ! same_pair "$dir" "$ref_new" "$out" "$side" ||
            [ "$(ls -A "$dir" | tr '\n' ' ')" != "$(ls -A "$ref_new" | tr '\n' ' ')" ]; then
            bad=$((bad + 1))
            echo "$name: run $i: after the next run the folder holds: $(ls -A "$dir" | tr '\n' ' ')"
        fi
    done
    echo "$name: $KILLS runs of ${span} us: $killed killed, $finished finished; left after the kill:" \
        "$hidden with hidden files, $journals with a journal, $mixed mixed pairs without one;" \
        "after the next run: $bad not whole or not clean"
    [ "$mixed" -eq 0 ] && [ "$bad" -eq 0 ]
}

# races NAME FIRST_INPUT SECOND_INPUT OUTPUT_NAME SIDE_NAME
races() {
    local name=$1 first=$2 second=$3 out=$4 side=$5
    local dir="$WORK/$name-race" bad=0 i
    mkdir -p "$dir"
    for ((i = 0; i < RACES; i++)); do
        "$TOOL" "$first" "$dir/$out" >/dev/null 2>&1 &
        local a=$!
        "$TOOL" "$second" "$dir/$out" >/dev/null 2>&1 &
        local b=$!
        wait "$a"; local ea=$?
        wait "$b"; local eb=$?
        if [ "$ea" -ne 0 ] || [ "$eb" -ne 0 ] ||
            { ! same_pair "$dir" "$WORK/$name-old" "$out" "$side" && ! same_pair "$dir" "$WORK/$name-new" "$out" "$side"; } ||
            [ "$(ls -A "$dir" | grep -c '^\.')" -ne 0 ]; then
            bad=$((bad + 1))
        fi
    done
    echo "$name: $RACES pairs of writers at once: $bad ended mixed, failed or left hidden files"
    [ "$bad" -eq 0 ]
}

FAILS=0
make_obj 1 "$WORK/objA"
make_obj 2 "$WORK/objB"
kills obj "$WORK/objA/in.obj" "$WORK/objB/in.obj" o.obj o.mtl || FAILS=$((FAILS + 1))
races obj "$WORK/objA/in.obj" "$WORK/objB/in.obj" o.obj o.mtl || FAILS=$((FAILS + 1))
BVH=$(ls "$SAMPLES"/bvh/*.bvh | head -1)
kills amc "$BVH" "$SAMPLES/asf-amc/lambada.amc" o.amc o.asf || FAILS=$((FAILS + 1))
races amc "$BVH" "$SAMPLES/asf-amc/lambada.amc" o.amc o.asf || FAILS=$((FAILS + 1))
[ "$FAILS" -eq 0 ]
