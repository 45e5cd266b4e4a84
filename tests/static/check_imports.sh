#!/usr/bin/env bash
# Checks that each Windows executable starts on Windows XP SP3 (the 64-bit one on XP x64): every
# function in its import table must be in tests/static/allowed_imports.tsv with an oldest Windows
# version no newer than its processor's first (5.1 for x86, 5.2 for x64), so that the loader of
# that system finds them all; and its PE header must ask for no newer system. A DLL missing from
# the table, such as a runtime DLL of the compiler, fails the check too.
# Usage: tests/static/check_imports.sh EXECUTABLE...
set -euo pipefail

table=$(dirname "$0")/allowed_imports.tsv
((${#@})) || {
  echo "usage: $0 EXECUTABLE..." >&2
  exit 2
}

# A version field of the PE header in $headers, as major.minor.
header_version() {
  awk -v major="Major$1" -v minor="Minor$1" \
    '$1 == major { a = $2 } $1 == minor { b = $2 } END { printf "%d.%d", a, b }' <<<"$headers"
}

failed=0
for executable in "$@"; do
  case $(x86_64-w64-mingw32-objdump -f "$executable" | sed -n 's/.*file format //p') in
    pei-i386) objdump=i686-w64-mingw32-objdump oldest=5.1 ;;
    pei-x86-64) objdump=x86_64-w64-mingw32-objdump oldest=5.2 ;;
    *)
      echo "$executable: not a 32-bit or 64-bit Windows executable" >&2
      exit 2
      ;;
  esac
  headers=$("$objdump" -p "$executable")
  for field in SubsystemVersion OSystemVersion; do
    version=$(header_version "$field")
    if [[ $version == "$oldest" ]]; then
      echo "$executable: $field $version"
    else
      echo "$executable: $field is $version, not $oldest"
      failed=1
    fi
  done

  # The import tables as "dll<TAB>function" lines. objdump prints each import as a tab, its
  # address, a tab, its hint and its name; an import by ordinal alone has "<none>" for a name.
  imports=$(awk '
    /^The Import Tables/ { inside = 1 }
    /^The (Export|Delay Import) Tables|^PE File Base Relocations|^Sections:/ { inside = 0 }
    inside && /DLL Name:/ { dll = tolower($3); next }
    inside && dll != "" && /^\t[0-9a-f]+\t +[0-9]+ +[^ ]/ {
      print dll "\t" ($3 == "<none>" ? "#" $2 : $3)
    }' <<<"$headers")
  [[ -n $imports ]] || {
    echo "$executable: no import table read" >&2
    exit 2
  }

  # Every import not in the table, or newer than the oldest system, with its reason.
  problems=$(awk -F'\t' -v oldest="$oldest" '
    function newer(a, b,   x, y) {
      split(a, x, "."); split(b, y, ".")
      return x[1] + 0 > y[1] + 0 || (x[1] + 0 == y[1] + 0 && x[2] + 0 > y[2] + 0)
    }
    FNR == NR {
      if ($0 !~ /^#/ && NF >= 3) since[tolower($1) "\t" $2] = $3
      next
    }
    !($0 in since) { print $0 "\tnot in the table of allowed imports"; next }
    newer(since[$0], oldest) { print $0 "\tneeds Windows " since[$0] }
  ' "$table" - <<<"$imports")
  if [[ -n $problems ]]; then
    echo "$executable: imports that Windows $oldest does not have:"
    awk '{ print "  " $0 }' <<<"$problems"
    failed=1
  else
    echo "$executable: $(wc -l <<<"$imports") imports, all present on Windows $oldest"
  fi
done
exit "$failed"
