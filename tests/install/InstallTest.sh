#!/usr/bin/env bash
# An installed copy (into a temporary DESTDIR): its files, desktop entry,
# metainfo, man pages and service check out, and its programs run without a
# display, logging against the simulator.
# InstallTest.sh BUILD_DIR INSTALL_PREFIX VERSION
set -euo pipefail
build=$1 prefix=$2 version=$3
root=$(mktemp -d)
sim=
trap '[ -n "$sim" ] && kill $sim 2>/dev/null; rm -rf "$root"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
# No display: a program that made a window application here would abort.
noscreen=(env -u DISPLAY -u WAYLAND_DISPLAY -u XDG_DATA_HOME QT_QPA_PLATFORM=xcb HOME="$root/home")
run() { "${noscreen[@]}" "$@"; }

DESTDIR=$root/dest cmake --install "$build" >/dev/null
p=$root/dest$prefix b=$p/bin
expected=$(printf '%s\n' bin/vq800 bin/vq800-logger bin/vq800-sim bin/vq800-vqd bin/vq800-view \
    share/vq800/{SoundON,SoundOFF,MEM00,MEM01,MEM02}.ico share/vq800/Image/ARM{00..15}.BMP \
    share/icons/hicolor/{16x16,24x24,32x32,48x48,64x64,128x128,256x256}/apps/vq800.png \
    share/icons/hicolor/scalable/apps/vq800.svg share/applications/com.example.vq800.desktop \
    share/metainfo/com.example.vq800.metainfo.xml share/man/man1/{vq800,vq800-logger,vq800-sim,vq800-vqd,vq800-view}.1.gz \
    share/doc/vq800/{copyright,changelog.gz,manual/index.html} \
    lib/systemd/system/vq800-logger@.service lib/sysusers.d/vq800.conf | sort)
actual=$(cd "$root/dest" && find . -type f | sed "s|^\./${prefix#/}/||" | grep -v '^share/doc/vq800/manual/images/' | sort)
[ "$actual" = "$expected" ] || fail "installed files (< expected, > installed):"$'\n'"$(diff <(echo "$expected") <(echo "$actual"))"
for img in $(grep -o 'src="images/[^"]*"' "$p/share/doc/vq800/manual/index.html" | cut -d'"' -f2); do
    [ -f "$p/share/doc/vq800/manual/$img" ] || fail "the manual's $img is not installed"
done

desktop-file-validate "$p"/share/applications/*.desktop || fail "desktop entry"
appstreamcli validate --no-net "$p"/share/metainfo/*.xml >/dev/null || fail "metainfo: $(appstreamcli validate --no-net "$p"/share/metainfo/*.xml)"

# The service's logger is built without the window toolkit.
qtgui=$(ldd "$b/vq800-logger" | grep -oE 'libQt6(Gui|Widgets)[^ ]*' || true)
[ -z "$qtgui" ] || fail "vq800-logger links $qtgui"

# The unit as installed, its program taken from DESTDIR, as an instance.
unit=$root/vq800-logger@plant1.service
sed "s|^ExecStart=$prefix/bin/|ExecStart=$b/|" "$p/lib/systemd/system/vq800-logger@.service" >"$unit"
grep -qx "ExecStart=$b/vq800-logger --dir /var/lib/vq800/%i" "$unit" || fail "ExecStart: $(grep ExecStart "$unit")"
if command -v systemd-analyze >/dev/null && systemd-analyze --version >/dev/null 2>&1; then
    MANPATH=$p/share/man systemd-analyze verify "$unit" || fail "systemd-analyze verify"
    # Locked down: the exposure figure (0 safe .. 10 exposed) stays at 2.0 or below.
    figure=$(systemd-analyze security --offline=yes "$unit" 2>&1 | sed -n 's/.*Overall exposure level for .*: \([0-9.]*\) .*/\1/p')
    [ -n "$figure" ] || fail "systemd-analyze security gave no figure: $(systemd-analyze security --offline=yes "$unit" 2>&1 | tail -3)"
    awk -v f="$figure" 'BEGIN { exit !(f <= 2.0) }' || fail "the unit's exposure is $figure, above 2.0"
    echo "service exposure $figure"
else
    echo "SKIPPED: systemd-analyze cannot run here, so the unit is not verified"
fi

# What the unit lets the logger reach: its program folder, the lock folder and serial ports.
for want in ProtectSystem=strict "ReadWritePaths=/var/lib/vq800/%i -/run/lock" DevicePolicy=closed \
    "DeviceAllow=char-ttyS rw" "DeviceAllow=char-ttyUSB rw" "DeviceAllow=char-ttyACM rw" CapabilityBoundingSet= \
    NoNewPrivileges=yes "RestrictAddressFamilies=AF_UNIX AF_INET AF_INET6" UMask=0027; do
    grep -qxF "$want" "$unit" || fail "the unit lacks $want"
done

for prog in vq800 vq800-logger vq800-sim vq800-vqd vq800-view; do
    [ "$(run "$b/$prog" --version)" = "$prog $version" ] || fail "$prog --version: $(run "$b/$prog" --version 2>&1)"
    page=$(zcat "$p/share/man/man1/$prog.1.gz" | sed 's/\\-/-/g')
    for opt in $(run "$b/$prog" --help | grep -o -- '--[a-z][a-z-]*' | sort -u); do
        grep -qF -- "$opt" <<<"$page" || fail "man $prog does not describe $opt"
    done
done
out=$(run "$b/vq800" --bogus 2>&1) && fail "vq800 --bogus was accepted"
[[ $out == *"Unknown option 'bogus'"* ]] || fail "vq800 --bogus says: $out"
# The program folder: --dir, else the per-user folder when installed, else the executable's own.
while read -r exe args folder; do
    [ "$args" = - ] && args=
    said=$(run "$exe" --help $args | grep '^Program folder: ')
    [[ $said == "Program folder: $folder ("* ]] || fail "$exe --help $args: $said, not $folder"
done <<EOT
$b/vq800 --dir=$root/line2 $root/line2
$b/vq800 - $root/home/.local/share/vq800
$b/vq800-logger - $root/home/.local/share/vq800
$build/bin/vq800 - $build/bin
EOT

# Logging without windows for a few seconds; SIGTERM leaves whole records.
pf=$root/line1 line=$root/line
"$b/vq800-sim" --baud 0 --devices 1 --link "$line" >/dev/null 2>&1 &
sim=$!
mkdir -p "$pf/CFG" "$pf/log"
printf '%s\r\n' "$line" 9600 N 8 1 "Modbus RTU" >"$pf/Comm.CFG"
printf 'O\tkiln\r\n' >"$pf/CFG/SetEnv.INI"
printf '%s\r\n' Yes 1 sec "$pf/log" T 0 0 0 >"$pf/CFG/SaveData.INI"
for _ in $(seq 50); do [ -e "$line" ] && break; sleep 0.1; done
"${noscreen[@]}" "$b/vq800-logger" --dir "$pf" >"$root/out" 2>&1 &
vq=$!
sleep 3
kill -TERM $vq
wait $vq || fail "vq800-logger ended with $? on SIGTERM: $(cat "$root/out")"
size=$(stat -c %s "$pf/log/T_01.VQD" 2>/dev/null || echo 0)
((size >= 512 + 64 && (size - 512) % 64 == 0)) || fail "T_01.VQD is $size bytes: $(cat "$root/out")"
# A data folder the service may not write is said at start, naming the drop-in.
ro=$root/line3
mkdir -p "$ro/CFG"
printf '%s\r\n' "$root/no-port" 9600 N 8 1 "Modbus RTU" >"$ro/Comm.CFG"
printf 'O\tkiln\r\n' >"$ro/CFG/SetEnv.INI"
printf '%s\r\n' Yes 1 sec /sys T 0 0 0 >"$ro/CFG/SaveData.INI"
said=$(INVOCATION_ID=1 timeout 2 "${noscreen[@]}" "$b/vq800-logger" --dir "$ro" 2>&1 >/dev/null || true)
[[ $said == *'data folder /sys cannot be written'*'systemctl edit vq800-logger@line3'* ]] || fail "a read-only data folder: $said"
echo "installed copy checked"
