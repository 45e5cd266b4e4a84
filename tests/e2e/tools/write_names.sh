#!/bin/sh
# Writes the shell names of the program's ids and of the driver's control codes, one
# NAME=VALUE line each, so that the end-to-end scripts name what they send and expect:
#   write_names.sh res/resource_ids.h src/device/ControlCodes.h OUTPUT
# The ids are the header's #defines; the control codes are taken from the header's own checks of
# their values, written as the driver's log shows them (0x22301C).
set -eu
ids=$1 codes=$2 output=$3
mkdir -p "$(dirname "$output")"
{
  echo "# Written by tests/e2e/tools/write_names.sh from $(basename "$ids") and $(basename "$codes")."
  awk '$1 == "#define" && $3 ~ /^[0-9]+$/ { print $2 "=" $3 }' "$ids"
  sed -n 's/^static_assert(\(IOCTL_[A-Z0-9_]*\) == \(0x[0-9A-F]*\));$/\1=\2/p' "$codes"
} >"$output.tmp"
grep -q '^IOCTL_' "$output.tmp" || { echo "write_names.sh: no control codes in $codes" >&2; exit 1; }
mv "$output.tmp" "$output"
