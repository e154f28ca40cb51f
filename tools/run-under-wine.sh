#!/bin/sh
# Runs a Windows program under Wine for the tests: run-under-wine.sh PREFIX PROGRAM [ARGS...]
# PREFIX is a private Wine prefix, created on first use. Windows need a display: the caller's
# DISPLAY (./test.sh starts one Xvfb for the whole run), else a throw-away Xvfb for this program.
set -u
export WINEPREFIX="$1"
shift
export WINEDEBUG=-all
# No offers to install Wine's .NET or HTML runtimes, and no debugger that would hang on a crash.
export WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d"
wine=/usr/lib/wine/wine64
[ -n "${DISPLAY:-}" ] || wine="xvfb-run --auto-servernum $wine"

# Wine may start its helper processes (services, desktop) from this program; they outlive it and
# would hold our caller's output pipes open, so that ctest waits for them. They get files instead.
output=$(mktemp)
errors=$(mktemp)
$wine "$@" >"$output" 2>"$errors"
status=$?
cat "$output"
cat "$errors" >&2
rm -f "$output" "$errors"
exit $status
