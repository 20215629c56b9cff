#!/usr/bin/env bash
# Drives the vornek command line: exit codes, output bytes, in-place rewriting, bad input.
# Usage: vornek_cli_test.sh FIXTURES COMMAND...   (COMMAND runs vornek, e.g. "wine vornek.exe")
# With VORNEK_ON_WINDOWS=1 in the environment, the checks of POSIX file permissions
# are left out.
set -u
FIXTURES=$1
shift
VORNEK=("$@")
ON_WINDOWS=${VORNEK_ON_WINDOWS:-}
work=$(mktemp -d)
trap 'chmod -R u+w "$work" 2>/dev/null; rm -rf "$work"' EXIT
passed=0
failed=0

check() {  # check NAME CONDITION...
    local name=$1
    shift
    if "$@"; then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
        echo "FAILED: $name" >&2
    fi
}

# run ARGS... < input: sets $status, $out (file), $err (file)
out=$work/out
err=$work/err
run() {
    "${VORNEK[@]}" "$@" >"$out" 2>"$err"
    status=$?
}

crlf() { sed 's/$/\r/' "$1"; }

# --- standard input and output ------------------------------------------------
run flatten "$FIXTURES/flatten/worked_example.eml"
check "rewritten message exits 0" test "$status" -eq 0
check "LF input gives LF output" cmp -s "$out" "$FIXTURES/flatten/worked_example.expected"
check "nothing on stderr when rewritten" test ! -s "$err"

crlf "$FIXTURES/flatten/worked_example.eml" >"$work/crlf.eml"
crlf "$FIXTURES/flatten/worked_example.expected" >"$work/crlf.expected"
run flatten - <"$work/crlf.eml"
check "CR LF input from stdin gives CR LF output" cmp -s "$out" "$work/crlf.expected"

run flatten <"$work/crlf.eml"
check "no FILE reads stdin" cmp -s "$out" "$work/crlf.expected"

# Mixed line breaks stay as they were: the output is the input with whole lines removed.
printf 'From: a@example.com\r\nContent-Type: multipart/alternative; boundary="m"\n\r\n--m\r\nContent-Type: text/plain\n\nline one\r\nline two\n--m\r\nContent-Type: text/html\r\n\r\n<p>x</p>\n--m--\r\n' >"$work/mixed.eml"
printf 'From: a@example.com\r\nContent-Type: text/plain\n\nline one\r\nline two\n' >"$work/mixed.expected"
run flatten "$work/mixed.eml"
check "mixed line breaks are kept line by line" cmp -s "$out" "$work/mixed.expected"

run flatten "$FIXTURES/flatten/html_first.eml"
check "HTML-only message exits 1 with its reason" \
    test "$status" -eq 1 -a "$(cat "$err")" = "vornek: $FIXTURES/flatten/html_first.eml: HTML only - can't delete - left unchanged"

for name in signed no_header_end nested_reuses_outer_boundary; do
    run flatten "$FIXTURES/flatten/$name.eml"
    check "$name exits 1" test "$status" -eq 1
    check "$name is written unchanged" cmp -s "$out" "$FIXTURES/flatten/$name.eml"
    check "$name says why in one line" test "$(wc -l <"$err")" -eq 1
done
run flatten "$FIXTURES/flatten/signed.eml"
check "signed message reason" grep -q "signed or encrypted message - left unchanged" "$err"

printf 'From: a@example.com\nContent-Type: text/plain\n\nplain\n' >"$work/plain.eml"
run flatten "$work/plain.eml"
check "plain message exits 1" test "$status" -eq 1
check "plain message unchanged" cmp -s "$out" "$work/plain.eml"
check "plain message reason" grep -q "not a multipart message" "$err"

: >"$work/empty.eml"
run flatten "$work/empty.eml"
check "empty input exits 1 with empty output" test "$status" -eq 1 -a ! -s "$out"

# A NUL byte would cut the message short; the message must come out whole.
{ cat "$FIXTURES/flatten/worked_example.eml"; printf 'tail\0after nul\n'; } >"$work/with-nul-byte.eml"
run flatten "$work/with-nul-byte.eml"
check "NUL bytes exit 1" test "$status" -eq 1
check "NUL bytes output whole" cmp -s "$out" "$work/with-nul-byte.eml"
check "NUL bytes reason" grep -q "NUL" "$err"

# --- errors -------------------------------------------------------------------
run flatten "$work/missing.eml"
check "missing file exits 2" test "$status" -eq 2 -a ! -s "$out"
check "missing file message" grep -q "missing.eml: no such file" "$err"

run flatten "$work"
check "directory exits 2" test "$status" -eq 2 -a ! -s "$out"
check "directory message" grep -q "is a directory" "$err"

if [ "$(id -u)" -ne 0 ] && [ -z "$ON_WINDOWS" ]; then
    cp "$FIXTURES/flatten/worked_example.eml" "$work/unreadable.eml"
    chmod 000 "$work/unreadable.eml"
    run flatten "$work/unreadable.eml"
    check "unreadable file exits 2" test "$status" -eq 2 -a ! -s "$out"
fi

run flatten a.eml b.eml
check "two files without -i is a usage error" test "$status" -eq 2
run flatten --bogus
check "unknown option is a usage error" test "$status" -eq 2
run frobnicate
check "unknown command is a usage error" test "$status" -eq 2
run
check "no command is a usage error" test "$status" -eq 2
run flatten -i
check "-i without files is a usage error" test "$status" -eq 2

run --help
check "--help exits 0 and shows usage" test "$status" -eq 0
check "--help text" grep -q "Usage: vornek flatten" "$out"
run --version
check "--version names the version" grep -q "1.0.2" "$out"

# --- in place -----------------------------------------------------------------
cp "$FIXTURES/flatten/worked_example.eml" "$work/a.eml"
cp "$FIXTURES/flatten/signed.eml" "$work/b.eml"
chmod 640 "$work/a.eml"
touch -d '2001-01-01' "$work/b.eml"
run flatten -i "$work/a.eml" "$work/b.eml"
check "in place: worst status of the files" test "$status" -eq 1
check "in place: nothing on stdout" test ! -s "$out"
check "in place: rewritten file" cmp -s "$work/a.eml" "$FIXTURES/flatten/worked_example.expected"
[ -n "$ON_WINDOWS" ] || check "in place: permissions kept" test "$(stat -c %a "$work/a.eml")" = 640
check "in place: unchanged file untouched" test "$(stat -c %Y "$work/b.eml")" = "$(date -d 2001-01-01 +%s)"
check "in place: no temporary files left" test "$(ls "$work" | grep -c vornek-)" -eq 0

cp "$FIXTURES/flatten/worked_example.eml" "$work/c.eml"
run flatten --in-place=.orig "$work/c.eml"
check "--in-place=SUFFIX exits 0" test "$status" -eq 0
check "--in-place=SUFFIX keeps the original" cmp -s "$work/c.eml.orig" "$FIXTURES/flatten/worked_example.eml"
check "--in-place=SUFFIX rewrites" cmp -s "$work/c.eml" "$FIXTURES/flatten/worked_example.expected"

cp "$FIXTURES/flatten/worked_example.eml" "$work/d.eml"
run flatten -i.bak "$work/d.eml" "$work/nope.eml"
check "-iSUFFIX with a missing file exits 2" test "$status" -eq 2
check "-iSUFFIX still rewrites the good file" cmp -s "$work/d.eml" "$FIXTURES/flatten/worked_example.expected"
check "-iSUFFIX keeps the good original" cmp -s "$work/d.eml.bak" "$FIXTURES/flatten/worked_example.eml"

# A folder that cannot take the temporary file: the original must stay whole.
if [ "$(id -u)" -ne 0 ] && [ -z "$ON_WINDOWS" ]; then
    mkdir "$work/ro"
    cp "$FIXTURES/flatten/worked_example.eml" "$work/ro/e.eml"
    chmod 555 "$work/ro"
    run flatten -i "$work/ro/e.eml"
    check "read-only folder exits 2" test "$status" -eq 2
    check "read-only folder leaves the file whole" cmp -s "$work/ro/e.eml" "$FIXTURES/flatten/worked_example.eml"
fi

# A full disk behind standard output.
if [ -w /dev/full ] && [ -z "$ON_WINDOWS" ]; then
    cp "$FIXTURES/flatten/worked_example.eml" "$work/f.eml"
    "${VORNEK[@]}" flatten "$work/f.eml" >/dev/full 2>"$err"
    check "write error on stdout exits 2" test $? -eq 2
fi

echo "vornek_cli_test: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
