#!/usr/bin/env bash
# Drives the vornek command line: exit codes, output bytes, in-place rewriting, bad input.
# Usage: vornek_cli_test.sh FIXTURES COMMAND...   (COMMAND runs vornek, e.g. "wine vornek.exe")
# With VORNEK_ON_WINDOWS=1 in the environment, the rows that need POSIX (permissions,
# owners, symlinks, FIFOs, signals, /proc and /sys) are left out.
# As root, the ownership rows also run vornek as uid 65534 through setpriv.
set -u
FIXTURES=$1
shift
VORNEK=("$@")
ON_WINDOWS=${VORNEK_ON_WINDOWS:-}
work=$(mktemp -d)
trap 'chmod -R u+w "$work" 2>/dev/null; rm -rf "$work"' EXIT
source "$(dirname "$0")/checks.sh"

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
check "HTML-only message exits 1" test "$status" -eq 1
check "HTML-only message says why" grep -qF "html_first.eml: HTML only - can't delete - left unchanged" "$err"

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
check "empty input says why in one line, and nothing else" \
    test "$(wc -l <"$err")" -eq 1 -a "$(grep -c "not a multipart message - left unchanged" "$err")" -eq 1

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

# --- in place: what must never happen to the user's other files ----------------
expected=$FIXTURES/flatten/worked_example.expected
original=$FIXTURES/flatten/worked_example.eml
no_temporaries() { ! ls -A "$@" | grep -q "^\.vornek-"; }

# An existing backup is replaced by a hard link to the original, even when it is a
# symlink: the file the symlink points at is never written through.
if [ -z "$ON_WINDOWS" ]; then
    mkdir "$work/d1"
    cp "$original" "$work/d1/m.eml"
    printf 'someone else\n' >"$work/d1/victim"
    chmod 600 "$work/d1/victim"
    ln -s victim "$work/d1/m.eml.orig"
    inode=$(stat -c %i "$work/d1/m.eml")
    run flatten -i.orig "$work/d1/m.eml"
    check "symlink at the backup name: exits 0" test "$status" -eq 0
    check "symlink at the backup name: symlink target unchanged" test "$(cat "$work/d1/victim")" = "someone else"
    check "symlink at the backup name: symlink target keeps its mode" test "$(stat -c %a "$work/d1/victim")" = 600
    check "symlink at the backup name: backup replaces the symlink" test -f "$work/d1/m.eml.orig" -a ! -L "$work/d1/m.eml.orig"
    check "symlink at the backup name: backup holds the original" cmp -s "$work/d1/m.eml.orig" "$original"
    check "symlink at the backup name: backup is a hard link, not a copy" test "$(stat -c %i "$work/d1/m.eml.orig")" = "$inode"
    check "symlink at the backup name: file rewritten" cmp -s "$work/d1/m.eml" "$expected"
    check "symlink at the backup name: no temporary files left" no_temporaries "$work/d1"
    # An interrupted run can leave the backup as a second link of the original.
    cp "$original" "$work/d1/n.eml"
    ln "$work/d1/n.eml" "$work/d1/n.eml.orig"
    run flatten -i.orig "$work/d1/n.eml"
    check "backup already a link of the file: exits 0" test "$status" -eq 0
    check "backup already a link of the file: kept" cmp -s "$work/d1/n.eml.orig" "$original"
    check "backup already a link of the file: rewritten" cmp -s "$work/d1/n.eml" "$expected"
    check "backup already a link of the file: no temporary files" no_temporaries "$work/d1"
fi

# Root rewrites a user's file: owner, group and mode stay, setuid included. A user who
# cannot give the file to its owner loses the setuid and setgid bits with it.
if [ "$(id -u)" -eq 0 ] && [ -z "$ON_WINDOWS" ]; then
    mkdir "$work/d4"
    cp "$original" "$work/d4/m.eml"
    chown 65534:65534 "$work/d4/m.eml"
    chmod 4751 "$work/d4/m.eml"
    run flatten -i "$work/d4/m.eml"
    check "ownership: root rewrite exits 0" test "$status" -eq 0
    check "ownership: owner, group and mode kept" test "$(stat -c %u:%g:%a "$work/d4/m.eml")" = 65534:65534:4751
    check "ownership: rewritten" cmp -s "$work/d4/m.eml" "$expected"

    if command -v setpriv >/dev/null && setpriv --reuid=65534 --regid=65534 --clear-groups \
        test -x "${VORNEK[0]}" 2>/dev/null; then
        mkdir "$work/d4u"
        chmod 777 "$work/d4u"
        chmod 755 "$work"
        cp "$original" "$work/d4u/m.eml"
        chmod 6755 "$work/d4u/m.eml"
        setpriv --reuid=65534 --regid=65534 --clear-groups "${VORNEK[@]}" flatten -i "$work/d4u/m.eml" 2>"$err"
        check "ownership: rewrite by another user exits 0" test $? -eq 0
        check "ownership: setuid and setgid dropped with the owner" test "$(stat -c %u:%a "$work/d4u/m.eml")" = 65534:755
        chmod 700 "$work"
    else
        echo "skipped: ownership rewrite as nobody (setpriv missing or vornek not reachable for nobody)" >&2
    fi
fi

# Extended attributes (and with them ACLs) travel with the rewritten file.
if [ -z "$ON_WINDOWS" ] && python3 -c 'import os,sys; os.setxattr(sys.argv[1], "user.vornek", b"kept")' "$work/plain.eml" 2>/dev/null; then
    cp "$original" "$work/x.eml"
    python3 -c 'import os,sys; os.setxattr(sys.argv[1], "user.vornek", b"kept")' "$work/x.eml"
    run flatten -i "$work/x.eml"
    check "extended attribute kept" test "$(python3 -c 'import os,sys; print(os.getxattr(sys.argv[1], "user.vornek").decode())' "$work/x.eml")" = kept
fi

# The disk fills while the backup is copied (the backup's folder is on another file
# system, so it cannot be a link): the existing backup stays whole.
shm=$(mktemp -d /dev/shm/cli-test.XXXXXX 2>/dev/null) || shm=
if [ -n "$shm" ] && [ -z "$ON_WINDOWS" ] && [ "$(stat -c %d "$shm")" != "$(stat -c %d "$work")" ]; then
    mkdir "$work/d8"
    {
        printf 'From: a@example.com\nMIME-Version: 1.0\nContent-Type: multipart/alternative; boundary="b1"\n\n'
        printf -- '--b1\nContent-Type: text/plain\n\nshort\n\n--b1\nContent-Type: text/html\n\n'
        yes '<p>a long HTML part that makes the original larger than the file size limit</p>' | head -n 400
        printf -- '\n--b1--\n'
    } >"$shm/m.eml"
    cp "$shm/m.eml" "$work/d8/m.before"
    ln -s "$shm/m.eml" "$work/d8/m.eml"
    printf 'the backup of last week\n' >"$work/d8/m.eml.orig"
    (trap '' XFSZ; ulimit -f 16; "${VORNEK[@]}" flatten -i.orig "$work/d8/m.eml" >"$out" 2>"$err")
    check "full disk: full disk during the backup exits 2" test $? -eq 2
    check "full disk: existing backup whole" test "$(cat "$work/d8/m.eml.orig")" = "the backup of last week"
    check "full disk: original whole" cmp -s "$shm/m.eml" "$work/d8/m.before"
    check "full disk: no temporary files left" no_temporaries "$work/d8" "$shm"
    # Without the limit the same run copies the backup and rewrites the file behind the link.
    run flatten -i.orig "$work/d8/m.eml"
    check "full disk: backup copied across file systems" cmp -s "$work/d8/m.eml.orig" "$work/d8/m.before"
    check "full disk: symlink still points at the rewritten file" test -L "$work/d8/m.eml" -a "$(readlink "$work/d8/m.eml")" = "$shm/m.eml"
    rm -rf "$shm"
else
    [ -n "$shm" ] && rm -rf "$shm"
    [ -n "$ON_WINDOWS" ] || echo "skipped: full disk needs /dev/shm on a file system of its own" >&2
fi

# A file whose size is not what it reads as (a truncation while it is read looks the
# same to the reader): exit 2, nothing written, and the run goes on.
sysfile=/sys/kernel/mm/transparent_hugepage/enabled
if [ -z "$ON_WINDOWS" ] && [ -r "$sysfile" ] && [ "$(stat -c %s "$sysfile")" -gt "$(wc -c <"$sysfile")" ]; then
    run flatten "$sysfile"
    check "changing size: file shorter than its size exits 2" test "$status" -eq 2 -a ! -s "$out"
    check "changing size: says it changed while being read" grep -q "changed while being read" "$err"
    cp "$original" "$work/d6.eml"
    run flatten -i "$sysfile" "$work/d6.eml"
    check "changing size: in place exits 2" test "$status" -eq 2
    check "changing size: the next file is still rewritten" cmp -s "$work/d6.eml" "$expected"
else
    [ -n "$ON_WINDOWS" ] || echo "skipped: changing size, shrinking file ($sysfile not available)" >&2
fi
if [ -z "$ON_WINDOWS" ] && [ -r /proc/self/status ] && [ "$(stat -c %s /proc/self/status)" -eq 0 ]; then
    run flatten /proc/self/status
    check "changing size: file longer than its size exits 2" test "$status" -eq 2 -a ! -s "$out"
fi

# -i on what is not a regular file: exit 2, and the path keeps what it was.
if [ -z "$ON_WINDOWS" ]; then
    mkfifo "$work/fifo"
    ln -s fifo "$work/fifo-link"
    run flatten -i "$work/fifo" "$work/fifo-link"
    check "not a regular file: FIFO in place exits 2" test "$status" -eq 2
    check "not a regular file: says why" grep -q "not a regular file" "$err"
    check "not a regular file: FIFO stays a FIFO" test -p "$work/fifo"
    check "not a regular file: symlink to a FIFO stays" test -L "$work/fifo-link"
    # A link of our own to standard input stands in for /dev/stdin, which a regression
    # would replace on the test machine.
    ln -s /proc/self/fd/0 "$work/stdin"
    printf 'x\n' | "${VORNEK[@]}" flatten -i "$work/stdin" >"$out" 2>"$err"
    check "not a regular file: standard input from a pipe exits 2" test $? -eq 2
    check "not a regular file: standard input link left alone" test -L "$work/stdin"
    cp "$original" "$work/redirected.eml"
    "${VORNEK[@]}" flatten -i "$work/stdin" <"$work/redirected.eml" >"$out" 2>"$err"
    check "not a regular file: standard input from a file rewrites that file" cmp -s "$work/redirected.eml" "$expected"
    check "not a regular file: standard input link stays a link" test -L "$work/stdin"
    rm -f "$work/fifo" "$work/fifo-link" "$work/stdin"
fi

# A symlinked message: the file it points at is rewritten in its own folder, the link
# stays, and the backup sits beside the link under the name given.
if [ -z "$ON_WINDOWS" ]; then
    mkdir -p "$work/sym/store" "$work/sym/inbox"
    cp "$original" "$work/sym/store/m.eml"
    ln -s ../store/m.eml "$work/sym/inbox/link.eml"
    run flatten -i.orig "$work/sym/inbox/link.eml"
    check "symlink: exits 0" test "$status" -eq 0
    check "symlink: stays a symlink to the same name" test "$(readlink "$work/sym/inbox/link.eml")" = ../store/m.eml
    check "symlink: its target is rewritten" cmp -s "$work/sym/store/m.eml" "$expected"
    check "symlink: backup beside the link" cmp -s "$work/sym/inbox/link.eml.orig" "$original"
    check "symlink: nothing else beside the target" test "$(ls -A "$work/sym/store")" = m.eml
    # A link whose backup name is the file it points at would lose the original.
    cp "$original" "$work/sym/store/n.eml.orig"
    ln -s ../store/n.eml.orig "$work/sym/store/n.eml"
    run flatten -i.orig "$work/sym/store/n.eml"
    check "symlink: backup name that is the file itself exits 2" test "$status" -eq 2
    check "symlink: that file stays whole" cmp -s "$work/sym/store/n.eml.orig" "$original"
fi

# A file name of 250 bytes: the temporary name must not be longer than the file's.
if [ -z "$ON_WINDOWS" ]; then
    long=$work/$(printf 'm%.0s' $(seq 246)).eml
    cp "$original" "$long"
    run flatten -i "$long"
    check "long name: long file name exits 0" test "$status" -eq 0
    check "long name: long file name rewritten" cmp -s "$long" "$expected"
    rm -f "$long"
fi

# SIGTERM and SIGHUP while the new content is written: the hidden temporary file goes
# away with the program and the message stays whole. The program is stopped the moment
# its temporary file shows, so the signal lands while it exists.
if [ -z "$ON_WINDOWS" ]; then
    mkdir "$work/d12"
    big_message() {  # big_message FILE LINES
        {
            printf 'From: a@example.com\nMIME-Version: 1.0\nContent-Type: multipart/alternative; boundary="b1"\n\n--b1\nContent-Type: text/plain\n\n'
            yes 'a line of plain text, long enough to make the part take a while to write out' | head -n "$2"
            printf -- '\n--b1\nContent-Type: text/html\n\n<p>html</p>\n\n--b1--\n'
        } >"$1"
    }
    for sig in TERM HUP; do
        caught=
        for lines in 300000 1000000 3000000; do
            big_message "$work/d12/m.eml" "$lines"
            cp "$work/d12/m.eml" "$work/d12/m.before"
            "${VORNEK[@]}" flatten -i "$work/d12/m.eml" 2>/dev/null &
            pid=$!
            temporary=
            while kill -0 "$pid" 2>/dev/null; do
                temporary=$(ls -A "$work/d12" | grep vornek- | head -n 1)
                [ -n "$temporary" ] && kill -STOP "$pid" 2>/dev/null && break
            done
            # Seen just before the rename, it may be gone by the time the program stops.
            [ -n "$temporary" ] && [ ! -e "$work/d12/$temporary" ] && temporary=
            [ -n "$temporary" ] && kill "-$sig" "$pid"
            kill -CONT "$pid" 2>/dev/null
            wait "$pid" 2>/dev/null
            status=$?
            if [ -n "$temporary" ] && [ "$status" -ne 0 ]; then
                caught=yes
                break
            fi
        done
        if [ -n "$caught" ]; then
            check "signal: temporary name is short and hidden" eval '[[ $temporary =~ ^\.vornek-[A-Za-z0-9]{6}$ ]]'
            check "signal: SIG$sig ends the program by that signal" test "$status" -eq $((128 + $(kill -l "$sig")))
            check "signal: no stray files after SIG$sig" test "$(ls -A "$work/d12")" = "$(printf 'm.before\nm.eml')"
            check "signal: message whole after SIG$sig" cmp -s "$work/d12/m.eml" "$work/d12/m.before"
        else
            echo "skipped: signal SIG$sig (the rewrite finished before its temporary file was seen)" >&2
        fi
    done
    rm -rf "$work/d12"
fi

# --- standard output mode: pipes and FIFOs ---------------------------------------
if [ -z "$ON_WINDOWS" ]; then
    run flatten <(cat "$original")
    check "pipe: process substitution exits 0" test "$status" -eq 0
    check "pipe: process substitution flattened" cmp -s "$out" "$expected"
    cat "$original" | "${VORNEK[@]}" flatten /dev/stdin >"$out" 2>"$err"
    check "pipe: /dev/stdin from a pipe flattened" cmp -s "$out" "$expected"
    mkfifo "$work/fifo"
    # The writer gives up after a while, should vornek never open the FIFO.
    timeout 20 bash -c 'cat "$1" >"$2"' writer "$original" "$work/fifo" &
    writer=$!
    run flatten "$work/fifo"
    kill "$writer" 2>/dev/null
    wait "$writer" 2>/dev/null
    check "pipe: FIFO flattened" cmp -s "$out" "$expected"
    rm -f "$work/fifo"
fi

# --help and --version fail when their text cannot be written.
if [ -w /dev/full ] && [ -z "$ON_WINDOWS" ]; then
    "${VORNEK[@]}" --help >/dev/full 2>"$err"
    check "full stdout: --help to a full disk exits 2" test $? -eq 2
    "${VORNEK[@]}" --version >/dev/full 2>"$err"
    check "full stdout: --version to a full disk exits 2" test $? -eq 2
fi

# --- batch runs -----------------------------------------------------------------
mkdir "$work/batch"
cp "$original" "$work/batch/a.eml"
cp "$work/plain.eml" "$work/batch/b.eml"
cp "$FIXTURES/flatten/signed.eml" "$work/batch/c.eml"
before=$(cat "$work/batch/a.eml" "$work/batch/b.eml" "$work/batch/c.eml" | wc -c)
after=$(cat "$expected" "$work/batch/b.eml" "$work/batch/c.eml" | wc -c)
cp -p "$work/batch/a.eml" "$work/batch/a.keep"

run flatten -n -i.orig "$work/batch/a.eml" "$work/batch/b.eml"
check "dry run: worst status" test "$status" -eq 1
check "dry run: tells the rewrite" grep -q "a.eml: would be rewritten, $(wc -c <"$original") -> $(wc -c <"$expected") bytes, original kept as $work/batch/a.eml.orig" "$out"
check "dry run: tells the reason" grep -q "b.eml: would be left unchanged: not a multipart message" "$out"
check "dry run: writes nothing" cmp -s "$work/batch/a.eml" "$work/batch/a.keep"
check "dry run: makes no backup" test ! -e "$work/batch/a.eml.orig"
check "dry run: summary says so" grep -q "dry run" "$err"

run flatten -i "$work/batch/a.eml" "$work/batch/b.eml" "$work/batch/c.eml" "$work/batch/missing.eml"
check "batch: worst status" test "$status" -eq 2
tr -d '\r' <"$err" >"$work/err.lf" && mv "$work/err.lf" "$err"  # Windows ends lines with CR LF
check "batch: summary counts files" grep -q "vornek: 4 files" "$err"
check "batch: summary counts rewritten" grep -q "^  rewritten: 1$" "$err"
check "batch: summary counts unchanged" grep -q "^  left unchanged: 2$" "$err"
check "batch: summary groups by reason" grep -q "^    not a multipart message: 1$" "$err"
check "batch: summary groups by reason (2)" grep -q "^    signed or encrypted message: 1$" "$err"
check "batch: summary counts errors" grep -q "^  errors: 1$" "$err"
check "batch: summary bytes before and after" grep -q "^  bytes: $before -> $after$" "$err"
check "batch: no progress when stderr is not a terminal" eval '! grep -q "/4 files" "$err"'

cp "$original" "$work/batch/a.eml"
run flatten -i -q "$work/batch/a.eml" "$work/batch/b.eml" "$work/batch/missing.eml"
check "-q: only the error on stderr" test "$(wc -l <"$err")" -eq 1 -a "$(grep -c missing.eml "$err")" -eq 1

cp "$original" "$work/batch/a.eml"
run flatten -i "$work/batch/a.eml"
check "one file: no summary" test ! -s "$err"

if [ -z "$ON_WINDOWS" ] && command -v script >/dev/null; then
    cp "$original" "$work/batch/a.eml"
    script -qec "$(printf '%q ' "${VORNEK[@]}" flatten -i "$work/batch/a.eml" "$work/batch/b.eml")" /dev/null >"$out" 2>&1
    check "batch: progress on a terminal" grep -q "vornek: 2/2 files" "$out"
fi

# A full disk behind standard output.
if [ -w /dev/full ] && [ -z "$ON_WINDOWS" ]; then
    cp "$FIXTURES/flatten/worked_example.eml" "$work/f.eml"
    "${VORNEK[@]}" flatten "$work/f.eml" >/dev/full 2>"$err"
    check "write error on stdout exits 2" test $? -eq 2
fi

finish vornek_cli_test
