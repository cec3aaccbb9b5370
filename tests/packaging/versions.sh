#!/usr/bin/env bash
# --version and --help of both programs succeed without a display (the window's too), and
# --version names the program, the project's version and the MIT licence.
#
#   versions.sh VERSION PROGRAM...
set -uo pipefail
version=$1
shift
failures=0
for program in "$@"; do
  name=$(basename "$program")
  for option in --version --help; do
    status=0
    out=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$program" "$option" 2>/tmp/versions.$$) || status=$?
    err=$(cat /tmp/versions.$$)
    rm -f /tmp/versions.$$
    if [ "$status" -ne 0 ] || [ -n "$err" ]; then
      echo "FAIL: $name $option: status $status, stderr '$err'"
      failures=$((failures + 1))
      continue
    fi
    case $option in
    --version)
      if [ "$(head -1 <<<"$out")" != "$name $version" ] || ! grep -q '^License MIT: ' <<<"$out" ||
        ! grep -q 'Copyright (C) 2026 The Ostrel Log Converter developers' <<<"$out"; then
        echo "FAIL: $name --version printed:"
        printf '%s\n' "$out"
        failures=$((failures + 1))
      fi
      ;;
    --help)
      if [[ $(head -1 <<<"$out") != "Usage: $name "* ]]; then
        echo "FAIL: $name --help printed: $(head -1 <<<"$out")"
        failures=$((failures + 1))
      fi
      ;;
    esac
  done
done
((failures == 0)) && echo "--version and --help without a display: $*"
exit $((failures != 0))
