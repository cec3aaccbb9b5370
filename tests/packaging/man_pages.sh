#!/usr/bin/env bash
# The manual pages render without a single warning, through groff and through man as Debian's
# tools (and lintian) read them.
#
#   man_pages.sh PAGE...
set -uo pipefail
failures=0
for page in "$@"; do
  # -k runs preconv, as man does, for the UTF-8 of the Japanese labels.
  out=$(groff -k -ww -man -Tutf8 -z "$page" 2>&1)
  if [ -n "$out" ]; then
    printf '%s\n' "$out"
    echo "FAIL: groff warns about $page"
    failures=$((failures + 1))
  fi
  out=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l "$page" 2>&1 >/dev/null)
  if [ -n "$out" ]; then
    printf '%s\n' "$out"
    echo "FAIL: man warns about $page"
    failures=$((failures + 1))
  fi
  # The build filled in the version.
  if grep -q '@[A-Z_]*@' "$page"; then
    echo "FAIL: $page holds a placeholder: $(grep -o '@[A-Z_]*@' "$page" | head -1)"
    failures=$((failures + 1))
  fi
  # Something was rendered: the NAME section with the page's own name.
  name=$(basename "$page" .1)
  if ! LC_ALL=C.UTF-8 MANWIDTH=80 man -E UTF-8 -l "$page" 2>/dev/null | grep -qE "^ *$name +- "; then
    echo "FAIL: $page renders without the line '$name - ...'"
    failures=$((failures + 1))
  fi
done
((failures == 0)) && echo "man pages clean: $*"
exit $((failures != 0))
