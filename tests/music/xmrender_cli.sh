#!/usr/bin/env bash
# xmrender's command line: timeline lines, block and second limits, the WAV it writes,
# and the one-line refusal of a file that is not a song.
set -u
build=${1:?build folder}
render=$build/tools/xmrender
shared=$(sed -n 's/^VELASTRIA_SHARED_DIR:PATH=//p' "$build/CMakeCache.txt" 2>/dev/null)
song=${shared:-$(dirname "$0")/../../../shared}/xm/vor__mph.xm
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
passed=0
failed=0
check() {  # description, condition (evaluated)
  if eval "$2"; then passed=$((passed+1)); else echo "FAIL: $1"; failed=$((failed+1)); fi
}

"$render" --blocks 10 --timeline -o "$tmp/out.wav" "$song" >"$tmp/timeline"
check "ten timeline lines" '[ "$(wc -l <"$tmp/timeline")" -eq 10 ]'
check "first block is order 0, row 0, 19 ms" '[ "$(head -1 "$tmp/timeline")" = "0 0 0 19" ]'
check "blocks are numbered from 0" '[ "$(tail -1 "$tmp/timeline" | cut -d" " -f1)" = "9" ]'
check "WAV holds 44 header bytes and 10 blocks of 884 stereo 16-bit frames" '[ "$(stat -c %s "$tmp/out.wav")" -eq $((44 + 10 * 884 * 4)) ]'
check "RIFF/WAVE header" '[ "$(head -c 4 "$tmp/out.wav")" = "RIFF" ] && [ "$(dd if="$tmp/out.wav" bs=1 skip=8 count=4 2>/dev/null)" = "WAVE" ]'
check "the music is not silent" '[ "$(tail -c 20000 "$tmp/out.wav" | tr -d "\000" | wc -c)" -gt 1000 ]'

"$render" --seconds 1 --timeline "$song" >"$tmp/second"
check "one second is 50 blocks (rounded up)" '[ "$(wc -l <"$tmp/second")" -eq 50 ]'

"$render" --timeline "$song" >"$tmp/whole" 2>/dev/null
check "the whole song ends on its own" '[ "$(wc -l <"$tmp/whole")" -gt 1000 ] && [ "$(wc -l <"$tmp/whole")" -lt 59000 ]'
check "same blocks, same timeline" 'diff -q <(head -10 "$tmp/whole") "$tmp/timeline" >/dev/null'

printf 'Extended Modulo: no' >"$tmp/bad.xm"
"$render" "$tmp/bad.xm" >"$tmp/stdout" 2>"$tmp/stderr"
code=$?
check "a file that is not a song exits 1" '[ "$code" -eq 1 ]'
check "with one line on stderr" '[ "$(wc -l <"$tmp/stderr")" -eq 1 ] && [ ! -s "$tmp/stdout" ]'
"$render" --blocks >/dev/null 2>&1
check "a missing option value is a usage error" '[ $? -eq 2 ]'

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
