#!/usr/bin/env bash
# Fails when the product calls a string routine that writes without a bound.
# usage: check_banned_calls.sh SOURCE_DIR
set -u
banned='strcpy|strcat|sprintf|vsprintf|lstrcpyA?|lstrcatA?|wsprintfA?|wvsprintfA?|gets'
hits=$(grep -rnE "(^|[^A-Za-z0-9_])($banned)[[:space:]]*\(" "$1" --include='*.cpp' --include='*.h')
if [ -n "$hits" ]; then
  echo "FAIL: unbounded string routines in $1:"
  echo "$hits"
  exit 1
fi
echo "ok: no unbounded string routine in $1"
