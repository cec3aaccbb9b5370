#!/usr/bin/env bash
# What the output promises cost: default names for many logs of one first time stamp (claimed
# one by one, each search going on from the last name found free, so the time grows linearly),
# and the flushes to the disk before each output takes its name (measured against the same runs
# under eatmydata, which turns fsync and fdatasync into nothing). Nothing is asserted.
#
#   bench/file_safety.sh PATH-TO-ostrel-convert [WORK-FOLDER]
#
# The work folder (default: a new one under TMPDIR, removed at the end) should lie on the disk
# to be measured.
set -euo pipefail
convert=$(realpath "${1:?usage: file_safety.sh PATH-TO-ostrel-convert [WORK-FOLDER]}")
work=${2:-$(mktemp -d "${TMPDIR:-/tmp}/ostrel-files-XXXXXX")}
[ -n "${2:-}" ] || trap 'rm -rf "$work"' EXIT
mkdir -p "$work"
cd "$work"
command -v eatmydata >/dev/null || { echo "file_safety: apt-get install eatmydata" >&2; exit 1; }

# A log of `fixes` fixes a second apart, walking north from 35°39' N on 1 January 2007.
walk() {
  awk -v fixes="$1" 'BEGIN {
    for (k = 0; k < fixes; k++) {
      t = 3600 + k
      printf "$GPRMC,%02d%02d%02d,A,3539.%06d,N,13945.000000,E,0.0,%02d0107,,,A*\r\n",
        int(t / 3600) % 24, int(t / 60) % 60, t % 60, 1000 * k % 1000000, 1 + int(t / 86400)
    }
  }'
}

seconds() { # command... -> wall seconds of one run
  local start end
  start=$(date +%s.%N)
  "$@" >/dev/null
  end=$(date +%s.%N)
  echo "$end - $start" | bc
}

echo "| logs of one stamp in one folder | synced (s) | ms per log | under eatmydata (s) | ms per log |"
echo "| ---: | ---: | ---: | ---: | ---: |"
walk 5 >one.log
names() { # n [eatmydata] -> seconds of converting n logs of one stamp into one folder
  rm -rf names && mkdir names
  for ((i = 0; i < $1; i++)); do ln one.log "names/$i.log"; done
  seconds ${2:-} "$convert" -j 1 names/*.log
}
for n in 1000 2000 4000 8000; do
  synced=$(names "$n")
  eaten=$(names "$n" eatmydata)
  printf '| %d | %.2f | %.3f | %.2f | %.3f |\n' "$n" "$synced" "$(echo "1000 * $synced / $n" | bc -l)" \
    "$eaten" "$(echo "1000 * $eaten / $n" | bc -l)"
done
rm -rf names

echo
echo "| batch | synced (s) | under eatmydata (s) | cost of the flushes |"
echo "| --- | ---: | ---: | ---: |"
mkdir -p small
for ((i = 0; i < 1000; i++)); do walk 60 >"small/in$i.log"; done
walk 1000000 >big.log
best() { # command... -> best of three runs
  local b=999999 s
  for _ in 1 2 3; do
    rm -f small/WG* big.kml big.nmea
    s=$(seconds "$@")
    b=$(echo "if ($s < $b) $s else $b" | bc)
  done
  echo "$b"
}
for kind in kml nmea; do
  synced=$(best "$convert" -j 1 -t $kind small/in*.log)
  eaten=$(best eatmydata "$convert" -j 1 -t $kind small/in*.log)
  printf '| 1,000 logs of 60 fixes, %s | %.2f | %.2f | %+.0f %% |\n' $kind "$synced" "$eaten" \
    "$(echo "100 * ($synced - $eaten) / $eaten" | bc -l)"
done
for kind in kml nmea; do
  synced=$(best "$convert" big.log -o big.$kind)
  eaten=$(best eatmydata "$convert" big.log -o big.$kind)
  printf '| one log of 1,000,000 fixes, %s | %.2f | %.2f | %+.0f %% |\n' $kind "$synced" "$eaten" \
    "$(echo "100 * ($synced - $eaten) / $eaten" | bc -l)"
done
