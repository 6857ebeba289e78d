#!/bin/sh
# Runs a validator; exit 77 (ctest: skipped) when it is not installed.
if ! command -v "$1" >/dev/null 2>&1; then
  echo "skipped: $1 is not installed"
  exit 77
fi
exec "$@"
