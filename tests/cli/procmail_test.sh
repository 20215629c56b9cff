#!/usr/bin/env bash
# Runs the procmail recipe that the README gives, with procmail itself: a message
# that arrives with its mbox envelope line is delivered flattened, and one that
# vornek leaves unchanged is delivered as it came.
# Usage: procmail_test.sh README FIXTURES VORNEK
set -u
README=$1
FIXTURES=$2
VORNEK=$3
command -v procmail >/dev/null || { echo "procmail_test: procmail is not installed" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
source "$(dirname "$0")/checks.sh"

# The recipe as the README shows it: from its ':0 fw' line to the action line.
recipe=$(sed -n '/^ *:0 fw/,/vornek/p' "$README" | sed 's/^ *//')
check "the README holds a procmail recipe" test -n "$recipe"
mkdir "$work/bin"
ln -s "$(cd "$(dirname "$VORNEK")" && pwd)/$(basename "$VORNEK")" "$work/bin/vornek"
cat >"$work/rc" <<RC
SHELL=/bin/sh
PATH=$work/bin:/usr/bin:/bin
MAILDIR=$work
DEFAULT=$work/mbox
LOGFILE=$work/log
$recipe
RC

deliver() {  # deliver MESSAGE: the mailbox after procmail delivered it alone
    rm -f "$work/mbox"
    procmail -m "$work/rc" <"$1"
    cat "$work/mbox"
}

expected=$FIXTURES/flatten/mbox_envelope_line.expected
check "a message with an envelope line is delivered flattened" \
    cmp -s <(deliver "$FIXTURES/flatten/mbox_envelope_line.eml" | head -c "$(wc -c <"$expected")") "$expected"

{ echo "From a@example.com Sat Jan  1 00:00:00 2000"; cat "$FIXTURES/flatten/signed.eml"; } >"$work/signed.eml"
check "a message vornek leaves alone is delivered as it came" \
    cmp -s <(deliver "$work/signed.eml" | head -c "$(wc -c <"$work/signed.eml")") "$work/signed.eml"

finish procmail_test
