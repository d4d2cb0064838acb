#!/usr/bin/env bash
# What the system calls show: every record written by the headless logger is
# synced within 2 s of its write (a new file's folder too), and a parameter
# file is written, synced, renamed into place and its folder synced, in that
# order. Skipped (77) where strace cannot trace.
# SyncOrder.sh BIN_DIR
set -euo pipefail
bin=$1
command -v strace >/dev/null && strace -o /dev/null true 2>/dev/null || { echo "SKIPPED: strace cannot trace here"; exit 77; }
root=$(mktemp -d)
sim=
trap '[ -n "$sim" ] && kill $sim 2>/dev/null; rm -rf "$root"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
calls=(strace -f -tt -y -e trace=write,fdatasync,fsync,rename,renameat,renameat2,linkat -o)
export QT_QPA_PLATFORM=offscreen
# A sanitizer build's leak check cannot run under ptrace; the rest of it can.
export ASAN_OPTIONS=${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0
unset DISPLAY

pf=$root/line line=$root/tty
mkdir -p "$pf/CFG"
printf '%s\r\n' "$line" 9600 N 8 1 "Modbus RTU" >"$pf/Comm.CFG"
printf 'O\tkiln\r\nO\toven\r\n' >"$pf/CFG/SetEnv.INI"
printf '%s\r\n' Yes 1 sec "$pf/log" T 0 0 0 >"$pf/CFG/SaveData.INI"
"$bin/vq800-sim" --baud 0 --devices 1-2 --link "$line" >/dev/null 2>&1 &
sim=$!
for _ in $(seq 50); do [ -e "$line" ] && break; sleep 0.1; done

"${calls[@]}" "$root/log.trace" "$bin/vq800" --headless --dir "$pf" >/dev/null 2>&1 &
vq=$!
sleep 4
pkill -TERM -P $vq -x vq800 || fail "no logger under strace"
wait $vq || fail "the logger ended with $?"
# Records: each write to a data file is followed by a sync of that file within 2 s,
# and the log folder is synced after each file's first record.
awk '
function secs(t, a) { split(t, a, ":"); return a[1] * 3600 + a[2] * 60 + a[3] }
{ if (!match($0, /\(([0-9]+)<[^>]*>/)) next
  call = substr($3, 1, index($3, "(") - 1)
  path = substr($0, RSTART, RLENGTH); sub(/^\([0-9]+</, "", path); sub(/>$/, "", path)
  t = secs($2) }
call == "write" && path ~ /\.VQD$/ { if (!(path in pending)) pending[path] = t
                                    if (!(path in seen)) { seen[path] = 1; folderDue = 1 }; writes++ }
(call == "fdatasync" || call == "fsync") && (path in pending) {
    if (t - pending[path] > 2) { printf "%s synced %.2f s after its write\n", path, t - pending[path]; bad = 1 }
    delete pending[path]; syncs++ }
call == "fsync" && path ~ /\/log$/ { folderDue = 0 }
END { for (p in pending) { print p " written but never synced"; bad = 1 }
      if (folderDue) { print "the log folder was not synced after a new file"; bad = 1 }
      if (writes < 4) { print "only " writes " record write(s)"; bad = 1 }
      printf "records: %d writes, %d syncs\n", writes, syncs; exit bad }
' "$root/log.trace" || fail "record syncs: $(grep -E 'VQD|/log>' "$root/log.trace" | head -20)"

# A parameter file, new and replaced: written (to an unnamed file or a
# temporary one), synced, put in place (link or rename), its folder synced.
for round in new replaced; do
    "${calls[@]}" "$root/save.trace" "$bin/vq800" --headless --dir "$pf" --device 2 --upload "$root/p.CFG" >/dev/null 2>&1 ||
        fail "the upload ended with $?"
    steps=$(awk -v f="$root/p.CFG" -v root="$root" '
    function temp() { return index($0, "<" root "/#") || index($0, "<" f ".") }
    $3 ~ /^write\(/ && temp() && step == 0 { step = 1; print "write" }
    $3 ~ /^f(data)?sync\(/ && temp() && step == 1 { step = 2; print "sync" }
    $3 ~ /^(linkat|rename|renameat2?)\(/ && index($0, "\"" f "\"") && $NF == "0" && step == 2 { step = 3; print "in place" }
    $3 ~ /^fsync\(/ && index($0, "<" root ">") && step == 3 { step = 4; print "folder sync" }
    ' "$root/save.trace" | paste -sd' ' -)
    [ "$steps" = "write sync in place folder sync" ] ||
        fail "$round parameter file: $steps: $(grep -F "$root" "$root/save.trace" | grep -v "/log" | head)"
done
echo "records synced in time; parameter files: $steps"
