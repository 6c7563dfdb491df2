#!/bin/sh
# Checks tools/setup.sh against stand-ins for apt-get and sudo: it installs what is missing, says
# so, and leaves apt-get alone when nothing is.
# usage: setup_test.sh PATH_TO_SETUP_SCRIPT
set -u
SETUP=$1
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
FAILS=0
BASH=$(command -v bash)

mkdir "$WORK/bin"
for tool in apt-get sudo; do
    printf '#!/bin/sh\necho "%s $*" >>"%s/calls"\n' "$tool" "$WORK" >"$WORK/bin/$tool"
    chmod +x "$WORK/bin/$tool"
done

fail() {
    echo "FAIL: $*" >&2
    FAILS=$((FAILS + 1))
}

# No compiler, build tool or pkg-config on the path: they are installed, and named.
env -i PATH="$WORK/bin" "$BASH" "$SETUP" 2>"$WORK/err" || fail "setup failed"
grep -q "^setup: installing cmake ninja-build g++ pkg-config" "$WORK/err" || fail "no notice: $(cat "$WORK/err")"
grep -q "^apt-get update -q$" "$WORK/calls" || fail "no apt-get update"
grep -q "^apt-get install -y -q cmake ninja-build g++ pkg-config" "$WORK/calls" || fail "no install"
grep -q "clang" "$WORK/calls" && fail "clang installed without --fuzz"

# The fuzz build's compiler comes with --fuzz.
rm -f "$WORK/calls"
env -i PATH="$WORK/bin" "$BASH" "$SETUP" --fuzz 2>"$WORK/err" || fail "setup --fuzz failed"
grep -q "^apt-get install .* clang$" "$WORK/calls" || fail "no clang with --fuzz"

# On this machine, which built the tests, the tools are there: none of them is installed.
rm -f "$WORK/calls"
env -i PATH="$WORK/bin:/usr/bin:/bin" "$BASH" "$SETUP" 2>"$WORK/err" || fail "setup failed here"
if [ -f "$WORK/calls" ] && grep -Eq " (cmake|ninja-build|g\+\+)( |$)" "$WORK/calls"; then
    fail "installs what is there: $(cat "$WORK/calls")"
fi

[ "$FAILS" -eq 0 ] && echo "setup: all checks passed"
[ "$FAILS" -eq 0 ]
