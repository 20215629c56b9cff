#!/usr/bin/env bash
# Checks the built plug-in DLL without running it: the export table holds exactly
# the callbacks of the .def file under their plain names, and the DLL needs nothing
# beyond Windows' own libraries (libgcc and libstdc++ are linked in).
# Usage: check_dll.sh OBJDUMP DLL DEF
set -euo pipefail
objdump=$1 dll=$2 def=$3
dump=$("$objdump" -p "$dll")
status=0

expected=$(sed -n 's/^ *\(BKC_[A-Za-z]*\).*/\1/p' "$def" | sort)
actual=$(awk '/\[Ordinal\/Name Pointer\] Table/ {t=1; next} t && /^\t\[/ {print $NF} t && /^$/ {t=0}' <<<"$dump" | sort)
if [ "$actual" != "$expected" ]; then
    echo "FAILED: exports differ from $def:" >&2
    diff <(echo "$expected") <(echo "$actual") >&2 || true
    status=1
fi

system="gdi32.dll kernel32.dll msimg32.dll msvcrt.dll user32.dll"
for name in $(sed -n 's/^\tDLL Name: //p' <<<"$dump"); do
    lower=$(tr 'A-Z' 'a-z' <<<"$name")
    if [[ " $system " != *" $lower "* ]]; then
        echo "FAILED: the DLL needs $name, which Windows does not ship" >&2
        status=1
    fi
done
[ "$status" -eq 0 ] && echo "$(wc -l <<<"$expected") exports, system imports only: passed"
exit "$status"
