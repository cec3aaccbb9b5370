# Sourced by the scripts that try the Windows builds under wine (tools/windows.sh,
# tools/windows_app.sh) and that pack them (tools/windows_zip.sh).

# Counts a failure and says what failed; the script ends non-zero when failures > 0.
failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

# A private wine in folder/wine: its own prefix, no debug chatter, no offer to install Mono or
# Gecko. A UTF-8 locale whose ANSI code page (1252) cannot spell Japanese: a file name that went
# through the ANSI code page anywhere would come out wrong. Sets wine and wineserver.
start_wine() {
  wine=$(command -v wine64 || echo /usr/lib/wine/wine64)
  # Package wine64 alone (without wine) puts wineserver beside wine64, off the PATH.
  wineserver=$(command -v wineserver || echo /usr/lib/wine/wineserver64)
  export WINEPREFIX=$1/wine WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" LC_ALL=C.UTF-8
  unset LANG LANGUAGE
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "== wine prefix ($WINEPREFIX)"
    "$wine" wineboot --init >/dev/null 2>&1 || true
    "$wineserver" -w
  fi
}

# A Linux path under / as wine's Z: path.
winpath() {
  local p=${1//\//\\}
  printf 'Z:%s' "$p"
}

# A text file with Windows line ends: crlf from to.
crlf() { sed 's/\r$//; s/$/\r/' "$1" >"$2"; }
