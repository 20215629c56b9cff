# The check table of the command-line test scripts: `check NAME CONDITION...` counts
# a passed or failed row, and `finish NAME` prints the counts and fails when a row
# did. Sourced, not run.
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

finish() {  # finish SCRIPT-NAME
    echo "$1: $passed passed, $failed failed"
    [ "$failed" -eq 0 ]
}
