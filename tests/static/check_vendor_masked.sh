#!/usr/bin/env bash
# The device's USB vendor identifier must not stand in the built program in plain: the program
# holds it only XOR-masked, and an optimiser that folds the mask back into the masked value
# compares descriptors against the plain identifier again. This reads the disassembly of the
# program and fails when an instruction holds the identifier as an immediate: alone, in the low
# half of a 32-bit immediate (vendor and product compared as one word), or as the displacement
# of a subtraction; and, whatever the disassembler prints, when a compare or move ends with its
# bytes 7E 3A (alone, or as the low half of a 4-byte immediate).
#
# Usage: tests/static/check_vendor_masked.sh [build/windows/QuendalPanel.exe]
set -euo pipefail

program=${1:-build/windows/QuendalPanel.exe}
objdump=${OBJDUMP:-x86_64-w64-mingw32-objdump}
[ -f "$program" ] || { echo "check_vendor_masked: no program at $program" >&2; exit 2; }

disassembly=$("$objdump" -d --no-show-raw-insn "$program" 2>/dev/null) ||
  { echo "check_vendor_masked: $objdump cannot read $program" >&2; exit 2; }
with_bytes=$("$objdump" -d --insn-width=16 "$program")
[ -n "$disassembly" ] || { echo "check_vendor_masked: no code in $program" >&2; exit 2; }

# objdump -d lines: "  address:<TAB>bytes<TAB>mnemonic operands".
found=$(
  grep -iE '\$0x([0-9a-f]{4})?3a7e([^0-9a-f]|$)|-0x3a7e\(' <<<"$disassembly" || true
  awk -F'\t' 'NF >= 3 && $3 ~ /^(cmp|mov)/ && $3 ~ /\$/ {
      n = split($2, bytes, " ")
      if ((n >= 2 && bytes[n - 1] == "7e" && bytes[n] == "3a") ||
          (n >= 4 && bytes[n - 3] == "7e" && bytes[n - 2] == "3a")) print
    }' <<<"$with_bytes"
)

if [ -n "$found" ]; then
  echo "check_vendor_masked: $program holds the vendor identifier in plain:" >&2
  echo "$found" >&2
  exit 1
fi
echo "check_vendor_masked: $program holds the vendor identifier only masked"
