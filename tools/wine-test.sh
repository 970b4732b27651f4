#!/usr/bin/env bash
# Runs one Windows test executable in its own computer (prefix + display) and
# removes that computer afterwards, whatever the outcome.
set -u
here=$(cd "$(dirname "$0")" && pwd)
. "$here/wine-lib.sh"
dir=$(mktemp -d "${TMPDIR:-/tmp}/varnel-test.XXXXXX")
trap 'computer_stop "$dir"' EXIT INT TERM
computer_start "$dir" || { echo "could not start a Wine computer" >&2; exit 1; }
computer_wine "$dir" "$@"
