#!/usr/bin/env bash
# The manual page and the bash completion that the build made from the option table describe and
# complete every option that "PROGRAM --help" lists (ostrel-convert, ostrel-geotag), and the
# completion offers no other:
# what is installed covers every row of the table, whatever its kind.
#
#   options_generated.sh PROGRAM MAN_PAGE COMPLETION
set -uo pipefail
convert=$1 page=$2 completion=$3
failures=0

help=$("$convert" --help) || {
  echo "FAIL: $convert --help"
  exit 1
}
# The option lines of the help: "  -o, --output FILE ..." and "      --opacity PCT ...".
options=$(grep -E '^ +(-[A-Za-z], )?--[a-z]' <<<"$help" | grep -oE '(^| )--?[A-Za-z][a-z-]*' | tr -d ' ' | sort -u)
if [ "$(wc -l <<<"$options")" -lt 10 ]; then
  echo "FAIL: too few options found in --help:" $options
  exit 1
fi

# The page as a reader sees it, without bold and underline.
manual=$(LC_ALL=C.UTF-8 MANWIDTH=200 man -E UTF-8 -l "$page" 2>/dev/null | col -b)
# The completion's list of options.
# The completion's list of options: _ostrel_convert_options for ostrel-convert, and so on.
variable=_$(basename "$convert" | tr - _)_options
offered=$(bash -c 'source "$1" 2>/dev/null; echo "${!2}"' _ "$completion" "$variable" | tr ' ' '\n' | sort -u)

for option in $options; do
  # In the page, at the start of an item: "-t, --type kind" or "--no-waypoints".
  if ! grep -qE "^ +(-[A-Za-z], )?$option( |,|$)|^ +$option, " <<<"$manual"; then
    echo "FAIL: $option is not described in $(basename "$page")"
    failures=$((failures + 1))
  fi
  if ! grep -qxF -- "$option" <<<"$offered"; then
    echo "FAIL: $option is not completed by $(basename "$completion")"
    failures=$((failures + 1))
  fi
done
for option in $offered; do
  if ! grep -qxF -- "$option" <<<"$options"; then
    echo "FAIL: the completion offers $option, which --help does not list"
    failures=$((failures + 1))
  fi
done
((failures == 0)) && echo "documented and completed:" $options
exit $((failures != 0))
