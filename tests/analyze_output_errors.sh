#!/bin/sh
# tolp-analyze with an output that cannot be written (a full disk, a closed
# descriptor) must say why on standard error and exit with status 1.
program=$1
fails() {
    expected="tolp-analyze: cannot write output: $1"
    shift
    said=$("$@" 2>&1)
    status=$?
    if [ "$status" != 1 ] || [ "$said" != "$expected" ]; then
        echo "expected status 1 and \"$expected\", got status $status and \"$said\""
        exit 1
    fi
}
fails "No space left on device" sh -c '"$0" --table 10 >/dev/full' "$program"
fails "Bad file descriptor" sh -c '"$0" --table 10 >&-' "$program"
