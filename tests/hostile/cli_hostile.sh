#!/usr/bin/env bash
# Hostile inputs and failing file systems through ostrel-convert, end to end. Every failure must
# end with exit status 1 and one clear line on stderr, leave an earlier file at the output path
# byte for byte as it was, leave the input as it was, and leave no file behind.
#
#   cli_hostile.sh CASE     runs one case: exit status 0 passed, 77 skipped, anything else failed
#   cli_hostile.sh --list   names the cases
#
# Environment: OSTREL_CONVERT the program; OSTREL_PEAK_RSS the hostile_peak_rss helper (memory
# cases); OSTREL_SANITIZED=1 when built with sanitizers (peak memory is then shown, not checked);
# OSTREL_HOSTILE_LARGE=1 makes the long line 1 GiB instead of 64 MiB.
set -uo pipefail
# The messages in Japanese, as they are spelled below; the separators of the C locale.
unset LC_ALL LANG LANGUAGE LC_NUMERIC LC_TIME
export LC_MESSAGES=ja_JP.UTF-8

cases=(
  input_empty input_nuls input_random input_folder input_missing input_fifo input_device
  input_unreadable input_long_name
  names_non_ascii names_long_path
  output_unwritable_folder output_parent_is_file output_folder output_fifo output_full_disk
  output_killed batch_failure names_race links_planted kept_mode stdout_failed names_shown
  standard_streams stdin_is_output read_only_target file_size_limit descriptor_limit
  memory_long_line memory_placemarks
)
if [ "${1:-}" = --list ]; then
  printf '%s\n' "${cases[@]}"
  exit 0
fi
case=${1:?usage: cli_hostile.sh CASE | --list}
convert=${OSTREL_CONVERT:?OSTREL_CONVERT names the program}
[ -x "$convert" ] || { echo "no program at $convert" >&2; exit 1; }

# The messages, as the converter spells them.
readonly ACCESS_DENIED="ファイルへのアクセスが拒否されました"
readonly NOT_FOUND="ファイルが見つかりません"
# The system's reasons, as the C library says them in Japanese.
readonly NO_SUCH="そのようなファイルやディレクトリはありません"
readonly PERMISSION="許可がありません"
readonly NOT_DIR="ディレクトリではありません"
readonly IS_DIR="ディレクトリです"
readonly TOO_LARGE="ファイルが大きすぎます"
readonly NAME_TOO_LONG="ファイル名が長すぎます"
readonly NOT_A_FILE="通常のファイルではありません"
readonly LIMIT_KIB=32768 # peak resident memory of one conversion (KiB)

base=$(mktemp -d "${TMPDIR:-/tmp}/ostrel-hostile-XXXXXX")
chmod 755 "$base" # "nobody" must reach the files of the unprivileged cases
data=$base/data
mkdir "$data"
cleanup() {
  chmod -R u+rwx "$base" 2>/dev/null
  rm -rf "$base"
}
trap cleanup EXIT
failed=0

fail() {
  echo "FAIL [$case]: $*" >&2
  failed=1
}
skip() {
  echo "SKIP [$case]: $*"
  exit 77
}

# A 60-character record: record TIME LAT LON DATE (hhmmss, ddmm.mmmmmm, dddmm.mmmmmm, ddmmyy).
record() {
  printf '$GPRMC,%s,A,%s,N,%s,E,0.0,%s,,,A*\r\n' "$1" "$2" "$3" "$4"
}

# A walk due north on 1 January 2007 from 01:00:00, a fix every 2 minutes and 0.1' of latitude
# (5.5 km/h): walk FIXES.
walk() {
  awk -v fixes="$1" 'BEGIN {
    for (k = 0; k < fixes; k++) {
      t = 3600 + 120 * k
      north = 39000000 + 100000 * k # millionths of a minute north of 35°
      minutes = north % 60000000
      printf "$GPRMC,%02d%02d00,A,%02d%02d.%06d,N,13945.000000,E,0.0,%02d0107,,,A*\r\n",
        int(t / 3600) % 24, int(t / 60) % 60, 35 + int(north / 60000000),
        int(minutes / 1000000), minutes % 1000000, 1 + int(t / 86400)
    }
  }'
}

# Everything under a folder: kind, size, mode and the checksum of each file.
snapshot() {
  (
    cd "$1" || exit 1
    find . -mindepth 1 -printf '%p %y %s %m\n' | LC_ALL=C sort
    find . -type f -print0 | LC_ALL=C sort -z | xargs -0 -r sha256sum
  )
}

# run ARGUMENTS...: runs the program as it is (at most 60 s); sets status, out and err.
run() {
  timeout -k 5 60 "$convert" "$@" >"$base/stdout" 2>"$base/stderr"
  status=$?
  [ $status -eq 124 ] && fail "no end within 60 s: $*"
  out=$(cat "$base/stdout")
  err=$(cat "$base/stderr")
}

# The converter's line for a log that failed: "ostrel-convert: LOG: MESSAGE".
says() {
  printf 'ostrel-convert: %s: %s' "$1" "$2"
}

# What follows a message when another file than the log is at fault: at_output PATH REASON,
# at_folder PATH REASON.
at_output() {
  printf '（出力ファイル '"'"'%s'"'"': %s）' "$1" "$2"
}
at_folder() {
  printf '（出力フォルダ '"'"'%s'"'"': %s）' "$1" "$2"
}

# fails_like EXPECTED_FILE ARGUMENTS...: exit status 1, nothing on stdout, and on stderr exactly
# the file's bytes.
fails_like() {
  local expected=$1
  shift
  run "$@"
  [ $status -eq 1 ] || fail "exit status $status, not 1: $*"
  [ -s "$base/stdout" ] && fail "stdout not empty: $out"
  cmp -s "$base/stderr" "$expected" ||
    fail "stderr is '$(cat -v "$base/stderr")', not '$(cat -v "$expected")': $*"
}

# fails_with EXPECTED_STDERR ARGUMENTS...: as fails_like, with the expected line as text.
fails_with() {
  printf '%s\n' "$1" >"$base/expected"
  shift
  fails_like "$base/expected" "$@"
}

# unchanged FOLDER BEFORE: the folder's snapshot equals BEFORE.
unchanged() {
  local now
  now=$(snapshot "$1")
  if [ "$now" != "$2" ]; then
    fail "the folder changed:"
    diff <(printf '%s\n' "$2") <(printf '%s\n' "$now") | cat -v >&2
  fi
}

# input_fails LOG MESSAGE...: the log fails with one of the messages, converted to an earlier
# KML file, to a new NMEA file and under default names of both kinds, and nothing changes in
# its folder. A message "@FILE" stands for the whole line that FILE holds.
input_fails() {
  local log=$1
  shift
  local folder
  folder=$(dirname "$log")
  printf 'an earlier file\r\n' >"$folder/earlier.kml"
  local before
  before=$(snapshot "$folder")
  local way
  for way in earlier new kml nmea; do
    case $way in
    earlier) run "$log" -o "$folder/earlier.kml" ;;
    new) run "$log" -o "$folder/new.log" ;;
    kml) run "$log" ;;
    nmea) run -t nmea "$log" ;;
    esac
    [ $status -eq 1 ] || fail "$way: exit status $status, not 1"
    [ -s "$base/stdout" ] && fail "$way: stdout not empty: $out"
    local message matched=0
    for message in "$@"; do
      if [ "${message:0:1}" = @ ]; then
        cp "${message:1}" "$base/expected"
      else
        printf '%s\n' "$(says "$log" "$message")" >"$base/expected"
      fi
      cmp -s "$base/stderr" "$base/expected" && matched=1
    done
    [ $matched -eq 1 ] || fail "$way: stderr is '$(cat -v "$base/stderr")'"
    unchanged "$folder" "$before"
  done
}

# As nobody (65534) when run as root; as the user who runs the tests otherwise.
as_nobody() {
  if [ "$(id -u)" -ne 0 ]; then
    "$@"
  elif command -v setpriv >/dev/null; then
    setpriv --reuid=65534 --regid=65534 --clear-groups "$@"
  else
    runuser -u nobody -- "$@"
  fi
}

# run_as_nobody ARGUMENTS...: run, as nobody.
run_as_nobody() {
  as_nobody timeout -k 5 60 "$convert" "$@" >"$base/stdout" 2>"$base/stderr"
  status=$?
  out=$(cat "$base/stdout")
  err=$(cat "$base/stderr")
}

need_nobody() {
  as_nobody test -x "$convert" ||
    skip "nobody cannot run $convert (a folder on its path is closed to others)"
}

# measure ARGUMENTS...: runs the program and sets status, err and peak (KiB).
measure() {
  local helper=${OSTREL_PEAK_RSS:?OSTREL_PEAK_RSS names hostile_peak_rss}
  "$helper" "$base/peak" "$convert" "$@" >"$base/stdout" 2>"$base/stderr"
  status=$?
  peak=$(cat "$base/peak")
  err=$(cat "$base/stderr")
}

check_peak() {
  echo "peak resident memory: $peak KiB ($*)"
  if [ "${OSTREL_SANITIZED:-0}" = 1 ]; then
    echo "(sanitizer build: the $LIMIT_KIB KiB limit is not checked)"
  elif [ "$peak" -ge $LIMIT_KIB ]; then
    fail "peak resident memory $peak KiB, limit $LIMIT_KIB KiB: $*"
  fi
}

mkdir "$data/in"
cd "$data" || exit 1

case $case in
input_empty)
  : >in/empty.log
  input_fails in/empty.log "'::' は時刻ではありません"
  ;;
input_nuls)
  head -c 100000 /dev/zero >in/nul.log
  # A NUL in a message would end it there: control characters are shown as "?".
  input_fails in/nul.log "'??:??:??' は時刻ではありません"
  # The same NULs in the time of a 60-character record line after three good ones.
  { walk 3; printf '$GPRMC,\0\0\0\0\0\0,A,3539.000000,N,13945.000000,E,0.0,010107,,,A*\r\n'; } \
    >in/record.log
  before=$(snapshot in)
  fails_with "$(says in/record.log:4 "'??:??:??' は時刻ではありません")" in/record.log -o in/out.log
  unchanged in "$before"
  ;;
input_random)
  # The same bytes on every run and every machine: perl's generator with a fixed seed.
  perl -e 'srand(2026); print map { chr(int(rand(256))) } 1 .. 65536' >in/random.log
  # Whichever record it ends at, it is a conversion error of the parser, the same every way.
  run in/random.log -o in/x.log
  cp "$base/stderr" "$base/random"
  echo "random bytes end in: $(cat -v "$base/stderr")"
  LC_ALL=C grep -a -q -x "ostrel-convert: in/random.log: '.*' は\(時刻\|日付\|整数\|浮動小数点数\)ではありません" "$base/random" ||
    fail "not a conversion error: $err"
  [ "$(wc -l <"$base/random")" -eq 1 ] || fail "more than one line: $err"
  tr -d '\n' <"$base/random" | LC_ALL=C grep -q '[[:cntrl:]]' && fail "control characters: $err"
  input_fails in/random.log "@$base/random"
  ;;
input_folder)
  mkdir in/folder.log
  input_fails in/folder.log "$ACCESS_DENIED"
  ;;
input_missing)
  input_fails in/missing.log "$NOT_FOUND"
  ln -s nowhere in/dangling.log
  input_fails in/dangling.log "$NOT_FOUND"
  ;;
input_fifo)
  # No writer ever comes: reading it would wait for ever.
  mkfifo in/fifo.log
  input_fails in/fifo.log "I/O エラー (22)"
  ;;
input_device)
  for device in /dev/zero /dev/null /dev/urandom; do
    printf 'an earlier file\r\n' >in/earlier.kml
    before=$(snapshot in)
    fails_with "$(says $device "I/O エラー (22)")" $device -o in/earlier.kml
    fails_with "$(says $device "I/O エラー (22)")" $device
    unchanged in "$before"
  done
  ;;
input_unreadable)
  need_nobody
  walk 5 >in/secret.log
  chmod 600 in/secret.log
  chmod 777 in # only the log's mode is in the way
  printf 'an earlier file\r\n' >in/earlier.kml
  chmod 666 in/earlier.kml
  before=$(snapshot in)
  run_as_nobody in/secret.log -o in/earlier.kml
  [ $status -eq 1 ] && [ "$err" = "$(says in/secret.log "$ACCESS_DENIED")" ] ||
    fail "unreadable log: status $status, stderr '$err'"
  run_as_nobody in/secret.log
  [ $status -eq 1 ] && [ "$err" = "$(says in/secret.log "$ACCESS_DENIED")" ] ||
    fail "unreadable log, default name: status $status, stderr '$err'"
  unchanged in "$before"
  ;;
input_long_name)
  # A name longer than any file system takes: named as missing, or as the system's error 36
  # (ENAMETOOLONG) where the default name's stamp is read.
  long=in/$(printf 'n%.0s' {1..300}).log
  input_fails "$long" "$NOT_FOUND" "I/O エラー (36)"
  ;;
names_non_ascii)
  walk 11 >plain.log
  "$convert" plain.log -o plain.kml >/dev/null && "$convert" plain.log -o plain.nmea >/dev/null ||
    fail "the plain log does not convert"
  for folder in "日本語 フォルダ/サブ　フォルダ" "Ünïcödé ✓ folder/naïve café" " lead and trail /x"; do
    mkdir -p "$folder"
    log="$folder/ログ ファイル ①〜.log"
    cp plain.log "$log"
    run "$log"
    [ $status -eq 0 ] && [ "$out" = "$folder/WG20070101010000.kml: The passway length = 1.85 km" ] ||
      fail "default KML name in '$folder': status $status, stdout '$out', stderr '$err'"
    cmp -s "$folder/WG20070101010000.kml" plain.kml || fail "another KML in '$folder'"
    run -t nmea "$log"
    cmp -s "$folder/WG20070101010000.log" plain.nmea || fail "another NMEA log in '$folder'"
    run "$log" -o "$folder/出力 ☃ トラック.kml"
    [ $status -eq 0 ] && [ "$out" = "$folder/出力 ☃ トラック.kml: The passway length = 1.85 km" ] ||
      fail "named output in '$folder': status $status, stdout '$out', stderr '$err'"
    cmp -s "$folder/出力 ☃ トラック.kml" plain.kml || fail "another named KML in '$folder'"
    cmp -s "$log" plain.log || fail "the log changed in '$folder'"
    [ "$(ls -A "$folder" | wc -l)" -eq 4 ] || fail "other files in '$folder': $(ls -A "$folder")"
  done
  ;;
names_long_path)
  walk 11 >plain.log
  "$convert" plain.log -o plain.kml >/dev/null || fail "the plain log does not convert"
  deep=.
  while [ ${#deep} -lt 300 ]; do deep+=/a-folder-of-thirty-characters; done
  mkdir -p "$deep"
  cp plain.log "$deep/in.log"
  echo "path of ${#deep} characters + /in.log"
  run "$deep/in.log"
  [ $status -eq 0 ] && cmp -s "$deep/WG20070101010000.kml" plain.kml ||
    fail "long path, default name: status $status, stderr '$err'"
  name255=$(printf 'k%.0s' {1..251}).kml
  run "$deep/in.log" -o "$deep/$name255"
  [ $status -eq 0 ] && cmp -s "$deep/$name255" plain.kml ||
    fail "a 255-byte output name: status $status, stderr '$err'"
  before=$(snapshot .)
  fails_with "$(says "$deep/in.log" "I/O エラー (36)")$(at_output "$deep/x$name255" "$NAME_TOO_LONG")" \
    "$deep/in.log" -o "$deep/x$name255"
  unchanged . "$before"
  ;;
output_unwritable_folder)
  need_nobody
  mkdir locked
  walk 11 >locked/in.log
  printf 'an earlier file\r\n' >locked/earlier.kml
  chmod 555 locked
  before=$(snapshot .)
  run_as_nobody locked/in.log -o locked/earlier.kml
  [ $status -eq 1 ] &&
    [ "$err" = "$(says locked/in.log "$ACCESS_DENIED")$(at_output locked/earlier.kml "$PERMISSION")" ] ||
    fail "over an earlier file: status $status, stderr '$err'"
  run_as_nobody locked/in.log
  [ $status -eq 1 ] && [ "$err" = "$(says locked/in.log "$ACCESS_DENIED")$(at_folder locked "$PERMISSION")" ] ||
    fail "default name: status $status, stderr '$err'"
  run_as_nobody -t nmea locked/in.log locked/in.log
  [ $status -eq 1 ] && [ "$err" = "$(says locked/in.log "$ACCESS_DENIED")$(at_folder locked "$PERMISSION")" ] ||
    fail "batch: status $status, stderr '$err'"
  [ -s "$base/stdout" ] && fail "stdout not empty: $out"
  unchanged . "$before"
  ;;
output_parent_is_file)
  walk 11 >in/in.log
  printf 'a file\r\n' >in/file
  before=$(snapshot .)
  fails_with "$(says in/in.log "$NOT_FOUND")$(at_folder in/file "$NOT_DIR")" in/in.log -o in/file/out.kml
  fails_with "$(says in/in.log "$NOT_FOUND")$(at_folder in/missing "$NO_SUCH")" in/in.log -o in/missing/out.kml
  # The folder of the default names too, named as given.
  fails_with "$(says in/in.log "$NOT_FOUND")$(at_folder in/missing/deeper "$NO_SUCH")" in/in.log -d in/missing/deeper
  unchanged . "$before"
  ;;
output_folder)
  walk 11 >in/in.log
  mkdir -p in/out.kml/inside
  printf 'kept\r\n' >in/out.kml/inside/file
  before=$(snapshot .)
  fails_with "$(says in/in.log "$ACCESS_DENIED")$(at_output in/out.kml "$IS_DIR")" in/in.log -o in/out.kml
  fails_with "$(says in/in.log "$ACCESS_DENIED")$(at_output in/out.kml/ "$IS_DIR")" in/in.log -o in/out.kml/
  unchanged . "$before"
  ;;
output_fifo)
  walk 11 >in/in.log
  mkfifo in/out.kml
  ln -s out.kml in/link.log
  before=$(snapshot .)
  fails_with "$(says in/in.log "$ACCESS_DENIED")$(at_output in/out.kml "$NOT_A_FILE")" in/in.log -o in/out.kml
  fails_with "$(says in/in.log "$ACCESS_DENIED")$(at_output in/out.kml "$NOT_A_FILE")" in/in.log -o in/link.log
  unchanged . "$before"
  [ -p in/out.kml ] || fail "the FIFO is gone"
  ;;
output_full_disk)
  # A file size limit of 4 KiB with SIGXFSZ ignored: writes beyond it fail with EFBIG (27).
  walk 200 >in/in.log
  printf 'an earlier file\r\n' >in/earlier.kml
  before=$(snapshot .)
  for args in "-o in/earlier.kml" "-o in/new.log" "" "-t nmea"; do
    case $args in
    -o*) output=${args#-o } ;;
    -t*) output=in/WG20070101010000.log ;;
    *) output=in/WG20070101010000.kml ;;
    esac
    # shellcheck disable=SC2086 # the arguments hold no blanks
    bash -c 'trap "" XFSZ; ulimit -f 4; exec "$@"' limit "$convert" in/in.log $args \
      >"$base/stdout" 2>"$base/stderr"
    status=$?
    err=$(cat "$base/stderr")
    [ $status -eq 1 ] && [ "$err" = "$(says in/in.log "I/O エラー (27)")$(at_output "$output" "$TOO_LARGE")" ] ||
      fail "full disk ($args): status $status, stderr '$err'"
    unchanged . "$before"
  done
  ;;
output_killed)
  # Stopped in the middle of a large conversion by each signal: the earlier file stays, and so
  # does the input, and nothing else is left in the folder: the output has no name until it is
  # complete (and the signals that can be caught remove a named temporary file).
  perl -e 'for $i (0 .. 999999) { $s = 2 * $i; printf "\$GPRMC,%02d%02d%02d,A,3539.%06d,N,13945.123456,E,0.0,%02d0107,,,A*\r\n", $s / 3600 % 24, $s / 60 % 60, $s % 60, $i, 1 + $s / 86400 }' >in/big.log
  sum=$(sha256sum <in/big.log)
  for signal in KILL TERM INT HUP PIPE; do
    printf 'an earlier file\r\n' >in/earlier.kml
    # A script's background job starts with SIGINT ignored, which no shell can undo: perl
    # sets it back to the default, as a terminal's Ctrl-C finds it.
    perl -e '$SIG{INT} = "DEFAULT"; $SIG{PIPE} = "DEFAULT"; exec @ARGV or die' "$convert" in/big.log -o in/earlier.kml \
      >"$base/stdout" 2>"$base/stderr" &
    pid=$!
    # In the middle: the output is open and part of it written.
    middle=
    for ((i = 0; i < 3000; i++)); do
      written=$(awk '/^wchar/ { print $2 }' "/proc/$pid/io" 2>/dev/null)
      [ "${written:-0}" -gt 0 ] && { middle=1; break; }
      sleep 0.01
    done
    [ -n "$middle" ] || fail "SIG$signal: the conversion did not get under way"
    kill -s $signal $pid
    wait $pid
    status=$?
    [ $status -eq $((128 + $(kill -l $signal))) ] ||
      fail "SIG$signal: status $status, the conversion was not stopped in the middle"
    [ "$(cat in/earlier.kml)" = "$(printf 'an earlier file\r')" ] ||
      fail "SIG$signal: the earlier file changed"
    [ "$(sha256sum <in/big.log)" = "$sum" ] || fail "SIG$signal: the input changed"
    left=$(find in -mindepth 1 ! -name big.log ! -name earlier.kml)
    [ -n "$left" ] && fail "SIG$signal: left behind: $left"
  done
  run in/big.log -o in/earlier.kml
  [ $status -eq 0 ] || fail "the conversion after the kills: status $status, stderr '$err'"
  ;;
names_race)
  # Two processes started together on two logs with one first time stamp, in one folder: each
  # gets a name of its own, prints the name it wrote, and writes its own log's conversion there.
  walk 11 >in/a.log
  { walk 11; record 013000 3540.000000 13945.000000 010107; } >in/b.log
  "$convert" in/a.log -o a.kml >/dev/null && "$convert" in/b.log -o b.kml >/dev/null ||
    fail "the logs do not convert"
  for round in $(seq 20); do
    rm -f in/WG*.kml
    "$convert" in/a.log >"$base/a.out" 2>&1 &
    first=$!
    "$convert" in/b.log >"$base/b.out" 2>&1 &
    second=$!
    wait $first || fail "round $round: a failed: $(cat "$base/a.out")"
    wait $second || fail "round $round: b failed: $(cat "$base/b.out")"
    an=$(sed 's/: The passway.*//' "$base/a.out")
    bn=$(sed 's/: The passway.*//' "$base/b.out")
    [ "$an" != "$bn" ] || fail "round $round: both printed $an"
    cmp -s "$an" a.kml || fail "round $round: $an is not a's conversion"
    cmp -s "$bn" b.kml || fail "round $round: $bn is not b's conversion"
    [ "$(ls in/WG*.kml | wc -l)" -eq 2 ] || fail "round $round: $(ls in)"
    [ $failed -eq 0 ] || break
  done
  ;;
links_planted)
  # As root, an output named in a world-writable sticky folder where another user (nobody) made
  # the name a link to a file that only root may write: refused, the file is untouched. A
  # dangling link is refused too; a link of the converting user's own is written through.
  [ "$(id -u)" -eq 0 ] || skip "needs root, and a link of another user"
  walk 11 >in/in.log
  mkdir -m 1777 shared
  printf 'root only\r\n' >precious
  chmod 600 precious
  as_nobody ln -s "$PWD/precious" shared/report.kml || skip "nobody cannot make a link here"
  mkdir private
  as_nobody ln -s "$PWD/private" shared/dirlink
  ln -s shared/report.kml chain.kml
  before=$(snapshot .)
  refused_link="$(says in/in.log "$ACCESS_DENIED")$(at_output shared/report.kml "$PERMISSION")"
  fails_with "$refused_link" in/in.log -o shared/report.kml
  # A chain: root's own link to the planted one is no way round the rule, whatever the system's
  # own setting of protected links.
  fails_with "$refused_link" in/in.log -o chain.kml
  # Nor is a planted link in the folder part of the path, for -o and for -d.
  refused_folder="$(says in/in.log "$ACCESS_DENIED")$(at_folder shared/dirlink "$PERMISSION")"
  fails_with "$refused_folder" in/in.log -o shared/dirlink/x.kml
  fails_with "$refused_folder" in/in.log -d shared/dirlink
  unchanged . "$before"
  ln -s nowhere.kml in/dangling.kml
  before=$(snapshot .)
  fails_with "$(says in/in.log "$ACCESS_DENIED")$(at_output in/nowhere.kml "$NO_SUCH")" in/in.log -o in/dangling.kml
  unchanged . "$before"
  ln -s "$PWD/mine.kml" shared/mine.kml
  printf 'mine\r\n' >mine.kml
  run in/in.log -o shared/mine.kml
  [ $status -eq 0 ] && [ -L shared/mine.kml ] && [ "$(head -c 5 mine.kml)" = "<?xml" ] ||
    fail "own link: status $status, stderr '$err'"
  ;;
kept_mode)
  # A replaced file keeps its permission bits, and (converting as root) its owner and group.
  walk 11 >in/in.log
  printf 'private\r\n' >in/priv.kml
  chmod 600 in/priv.kml
  [ "$(id -u)" -eq 0 ] && chown 65534:65534 in/priv.kml
  before=$(stat -c '%a %u %g' in/priv.kml)
  run in/in.log -o in/priv.kml
  [ $status -eq 0 ] || fail "status $status, stderr '$err'"
  [ "$(stat -c '%a %u %g' in/priv.kml)" = "$before" ] ||
    fail "mode and owner $(stat -c '%a %u %g' in/priv.kml), were $before"
  [ "$(head -c 5 in/priv.kml)" = "<?xml" ] || fail "not converted"
  ;;
stdout_failed)
  # The report lines are the only place that names the outputs: a failed write of standard output
  # is a failure. A closed standard output never lets a report line into an output file.
  walk 11 >in/in.log
  "$convert" in/in.log -o plain.kml >/dev/null || fail "the log does not convert"
  "$convert" in/in.log -o in/full.kml >/dev/full 2>"$base/stderr"
  status=$?
  [ $status -eq 1 ] && [ "$(cat "$base/stderr")" = "ostrel-convert: write error: No space left on device" ] ||
    fail "/dev/full: status $status, stderr '$(cat "$base/stderr")'"
  "$convert" in/in.log -o in/closed.kml >&- 2>"$base/stderr"
  status=$?
  [ $status -eq 1 ] && grep -q '^ostrel-convert: write error' "$base/stderr" ||
    fail "closed stdout: status $status, stderr '$(cat "$base/stderr")'"
  cmp -s in/closed.kml plain.kml || fail "closed stdout: the output differs"
  "$convert" --version >/dev/full 2>/dev/null && fail "--version to /dev/full: status 0"
  ;;
standard_streams)
  # "-" reads standard input (a file or a pipe) and "-o -" writes standard output, in the format of
  # -t, with the report on standard error; a failed conversion writes nothing there.
  walk 11 >in/in.log
  "$convert" in/in.log -o plain.kml >/dev/null && "$convert" in/in.log -o plain.log >/dev/null ||
    fail "the log does not convert"
  "$convert" - -o in/from-file.kml <in/in.log >"$base/stdout" 2>"$base/stderr"
  status=$?
  [ $status -eq 0 ] && cmp -s in/from-file.kml plain.kml &&
    [ "$(cat "$base/stdout")" = "in/from-file.kml: The passway length = 1.85 km" ] ||
    fail "stdin from a file: status $status, stdout '$(cat "$base/stdout")', stderr '$(cat "$base/stderr")'"
  cat in/in.log | "$convert" - -o in/from-pipe.kml >/dev/null 2>&1
  cmp -s in/from-pipe.kml plain.kml || fail "stdin from a pipe"
  "$convert" in/in.log -o - -t nmea >"$base/out.log" 2>"$base/stderr"
  status=$?
  [ $status -eq 0 ] && cmp -s "$base/out.log" plain.log &&
    [ "$(cat "$base/stderr")" = "-: The passway length = 1.85 km" ] ||
    fail "stdout: status $status, stderr '$(cat "$base/stderr")'"
  cat in/in.log | "$convert" - -o - >"$base/out.kml" 2>/dev/null
  cmp -s "$base/out.kml" plain.kml || fail "stdin to stdout"
  { walk 11; record 999999 3539.000000 13945.000000 010107; } >in/bad.log
  "$convert" in/bad.log -o - >"$base/out.bad" 2>/dev/null
  status=$?
  [ $status -eq 1 ] && [ ! -s "$base/out.bad" ] || fail "a failed conversion wrote to stdout (status $status)"
  [ "$(ls -A in | sort | tr '\n' ' ')" = "bad.log from-file.kml from-pipe.kml in.log " ] ||
    fail "other files: $(ls -A in)"
  ;;
names_shown)
  # Names with control characters are printed with "?" in their place, on stdout and stderr.
  walk 11 >in/a$'\033'[31m.log
  run in/a$'\033'[31m.log -o in/b$'\n'c.kml
  [ $status -eq 0 ] && [ "$out" = "in/b?c.kml: The passway length = 1.85 km" ] ||
    fail "stdout '$(cat -v "$base/stdout")'"
  : >in/e$'\r'.log
  run in/e$'\r'.log
  [ "$err" = "$(says 'in/e?.log' "'::' は時刻ではありません")" ] || fail "stderr '$(cat -v "$base/stderr")'"
  ;;
batch_failure)
  # Four logs side by side, the second failing at its last line while the others are written:
  # the first is put in place, the finished outputs of the later ones are discarded.
  walk 3000 >in/a.log
  { walk 3000; record 999999 3539.000000 13945.000000 010107; } >in/b.log
  walk 3000 >in/c.log
  walk 3000 >in/d.log
  before=$(snapshot in)
  for kind in kml nmea; do
    run -j 4 -t $kind in/a.log in/b.log in/c.log in/d.log
    ext=$([ $kind = kml ] && echo kml || echo log)
    [ $status -eq 1 ] || fail "$kind: exit status $status, not 1"
    [[ $out =~ ^in/WG20070101010000\.$ext:\ The\ passway\ length\ =\ [0-9.]+\ km$ ]] ||
      fail "$kind: stdout '$out'"
    [ "$err" = "$(says in/b.log:3001 "'99:99:99' は時刻ではありません")" ] || fail "$kind: stderr '$err'"
    rm -f "in/WG20070101010000.$ext"
    unchanged in "$before"
  done
  ;;
stdin_is_output)
  # A log read from standard input is never replaced by its own output, whatever the path
  # names it by: itself, a hard link, a symbolic link.
  walk 11 >in/w.log
  ln in/w.log in/hard.log
  ln -s w.log in/soft.log
  before=$(snapshot in)
  for output in in/w.log in/hard.log in/soft.log; do
    run -o "$output" - <in/w.log
    [ $status -eq 1 ] && [ "$err" = "$(says '(standard input)' "変換元と変換先のファイルが同じです")" ] ||
      fail "$output: status $status, stderr '$err'"
  done
  unchanged in "$before"
  ;;
read_only_target)
  # A file the user could not write himself is refused, not replaced (cp would fail on it too);
  # as root, one without its owner's write bit.
  walk 11 >in/in.log
  printf 'done\r\n' >in/done.kml
  chmod 444 in/done.kml
  before=$(snapshot in)
  fails_with "$(says in/in.log "$ACCESS_DENIED")$(at_output in/done.kml "$PERMISSION")" in/in.log -o in/done.kml
  unchanged in "$before"
  # A replaced file keeps its extended attributes.
  printf 'mine\r\n' >in/mine.kml
  if setfattr -n user.note -v kept in/mine.kml 2>/dev/null; then
    run in/in.log -o in/mine.kml
    [ $status -eq 0 ] && [ "$(getfattr --only-values -n user.note in/mine.kml 2>/dev/null)" = kept ] ||
      fail "the attribute user.note is lost: status $status, stderr '$err'"
  else
    echo "(no user attributes on this file system: that part is not checked)"
  fi
  ;;
file_size_limit)
  # A file size limit ends no process: the write fails, the log is reported, -k goes on.
  walk 200 >in/big.log
  walk 2 >in/small.log
  bash -c 'ulimit -f 4; exec "$@"' limit "$convert" -k in/big.log in/small.log \
    >"$base/stdout" 2>"$base/stderr"
  status=$?
  err=$(cat "$base/stderr")
  [ $status -eq 1 ] &&
    [ "$err" = "$(says in/big.log "I/O エラー (27)")$(at_output in/WG20070101010000.kml "$TOO_LARGE")" ] ||
    fail "status $status, stderr '$err'"
  [ "$(cat "$base/stdout")" = "in/WG20070101010000.kml: The passway length = 0.18 km" ] ||
    fail "the next log was not converted: stdout '$(cat "$base/stdout")'"
  ;;
descriptor_limit)
  # Parallel jobs stay within the limit of open files: the same outputs as with one job.
  for n in $(seq 10 29); do
    { walk 5; record 02${n}00 3539.500000 13945.000000 010107; } >in/l$n.log
  done
  mkdir out one
  bash -c 'ulimit -n 16; exec "$@"' limit "$convert" -t gpx -j 4 -d out in/l*.log \
    >"$base/stdout" 2>"$base/stderr"
  status=$?
  [ $status -eq 0 ] && [ "$(ls out | wc -l)" -eq 20 ] ||
    fail "-j 4 under ulimit -n 16: status $status, $(ls out | wc -l) outputs, stderr '$(cat "$base/stderr")'"
  "$convert" -t gpx -j 1 -d one in/l*.log >/dev/null
  diff -r out one >/dev/null || fail "the outputs differ from those of one job"
  ;;
memory_long_line)
  size=$((64 << 20))
  if [ "${OSTREL_HOSTILE_LARGE:-0}" = 1 ]; then
    size=$((1 << 30))
    [ "$(df -Pk . | awk 'NR == 2 { print $4 }')" -gt $((3 << 20)) ] ||
      skip "less than 3 GiB free in $data"
  fi
  head -c $size /dev/zero | tr '\0' 'x' >in/line.log
  measure in/line.log -o in/out.kml
  [ $status -eq 1 ] && [ "$err" = "$(says in/line.log "'xx:xx:xx' は時刻ではありません")" ] ||
    fail "one line of $size bytes: status $status, stderr '$err'"
  check_peak "one line of $size bytes without a line end"
  [ -e in/out.kml ] && fail "a partial output"
  { walk 11; cat in/line.log; printf '\r\n'; walk 11; } >in/walk.log
  rm in/line.log
  measure in/walk.log -o in/walk.kml
  [ $status -eq 0 ] || fail "a walk around a long line: status $status, stderr '$err'"
  check_peak "a walk around one line of $size bytes"
  ;;
memory_placemarks)
  # 300000 fixes at one place dated 1 and 2 January by turns: every fix is kept and gets a
  # placemark, 170 MiB of them.
  perl -e 'for $i (1 .. 300000) { printf "\$GPRMC,000000,A,3539.123456,N,13945.123456,E,0.0,%s,,,A*\r\n", $i % 2 ? "010107" : "020107" }' >in/turns.log
  measure in/turns.log -o in/turns.kml
  [ $status -eq 0 ] || fail "status $status, stderr '$err'"
  check_peak "300000 placemarks"
  [ "$(grep -c '^<Placemark>' in/turns.kml)" -eq 300000 ] ||
    fail "$(grep -c '^<Placemark>' in/turns.kml) placemarks, not 300000 (route and 299999 fixes)"
  ;;
*)
  echo "unknown case '$case'; cli_hostile.sh --list names them" >&2
  exit 2
  ;;
esac

if [ $failed -ne 0 ]; then
  exit 1
fi
echo "PASS [$case]"
