#!/usr/bin/env bash
# Runs every fuzz target for a bounded time and keeps what it learnt:
#   bash fuzz/run.sh BUILD_DIR [SECONDS_PER_TARGET]
# Each target starts from its kept corpus fuzz/corpus/<name>; the new inputs
# that reach code the kept corpus does not are then merged into it
# (-merge=1), so it stays small. A crash leaves its input in
# BUILD_DIR/fuzz-crashes/<name>/ and makes the run fail.
set -uo pipefail
cd "$(dirname "$0")/.."
build=$1
seconds=${2:-60}
max_files=200
max_bytes=$((200 * 1024))
declare -A max_len=([text]=64 [annuity]=64 [schedule]=96 [web_event]=2048)

files() { find "$1" -type f | wc -l; }
bytes() { find "$1" -type f -printf '%s\n' | awk '{s += $1} END {print s + 0}'; }

failed=0
report=()
for name in text annuity schedule web_event; do
  exe=$build/fuzz/fuzz_$name
  corpus=fuzz/corpus/$name
  work=$build/fuzz-work/$name
  crashes=$build/fuzz-crashes/$name
  log=$build/fuzz-work/$name.log
  rm -rf "$work"
  mkdir -p "$work" "$crashes" "$corpus"
  dict=()
  [ -f "fuzz/$name.dict" ] && dict=("-dict=fuzz/$name.dict")
  echo "== $name: fuzzing for ${seconds}s"
  # New inputs go to the first folder (work); the kept corpus is only read.
  "$exe" "${dict[@]}" -max_total_time="$seconds" -max_len="${max_len[$name]}" -timeout=30 \
    -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$crashes/" "$work" "$corpus" >"$log" 2>&1
  rc=$?
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  crash=$(sed -n 's/.*Test unit written to //p' "$log" | tail -1)
  "$exe" -merge=1 "${dict[@]}" -max_len="${max_len[$name]}" -timeout=30 "$corpus" "$work" >"$log.merge" 2>&1
  # Over the bound, the corpus is minimised afresh: the hand-made seeds and
  # the reproducers of mended faults (seed-*, bug-*) stay, and only what
  # reaches code they do not is kept beside them.
  if [ "$(files "$corpus")" -gt $max_files ] || [ "$(bytes "$corpus")" -gt $max_bytes ]; then
    old=$build/fuzz-work/$name.old
    rm -rf "$old" && mv "$corpus" "$old" && mkdir -p "$corpus"
    find "$old" -maxdepth 1 -type f \( -name 'seed-*' -o -name 'bug-*' \) -exec cp {} "$corpus/" \;
    "$exe" -merge=1 -use_counters=0 "${dict[@]}" -max_len="${max_len[$name]}" -timeout=30 "$corpus" "$old" \
      >>"$log.merge" 2>&1
    # Still over: the largest of the others go.
    find "$corpus" -type f ! -name 'seed-*' ! -name 'bug-*' -printf '%s %p\n' | sort -rn | cut -d' ' -f2- |
      while read -r f && { [ "$(files "$corpus")" -gt $max_files ] || [ "$(bytes "$corpus")" -gt $max_bytes ]; }; do
        rm -f "$f"
      done
  fi
  line="$name: ${runs:-?} executions, corpus $(files "$corpus") files / $(bytes "$corpus") bytes"
  if [ $rc -ne 0 ]; then
    failed=1
    line="$line, FAILED (exit $rc)${crash:+: crash input $crash}; log $log"
    grep -E "^==[0-9]+==ERROR|runtime error|deadly signal|SUMMARY" "$log" | head -5
  else
    line="$line, no crash"
  fi
  echo "$line"
  report+=("$line")
done
echo
echo "== fuzz summary"
printf '%s\n' "${report[@]}"
exit $failed
