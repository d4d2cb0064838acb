#!/usr/bin/env bash
# The direction between the folders of src/ holds at configure time: a scratch
# copy of the tree configures as it is, and fails with a logic file that names
# a Qt Widgets header, with link including from monitor, and with link linking
# a library of monitor.
# LayersTest.sh SOURCE_DIR
set -euo pipefail
top=$1
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

# A copy of links to the sources; a file to be changed is made a real copy first.
scratch() {
    rm -rf "$root/tree" "$root/build"
    mkdir "$root/tree"
    cp -rs "$top"/{CMakeLists.txt,cmake,src,sim,tools,data,doc} "$root/tree/"
}
own() { cp --remove-destination "$(readlink -f "$root/tree/$1")" "$root/tree/$1"; }
configure() { cmake -S "$root/tree" -B "$root/build" -DVQ800_TESTS=OFF -DVQ800_BENCH=OFF >"$root/out" 2>&1; }

scratch
configure || fail "the tree as it is does not configure: $(tail -20 "$root/out")"

while IFS='|' read -r file line said; do
    scratch
    own "$file"
    echo "$line" >>"$root/tree/$file"
    configure && fail "configuring passed with '$line' in $file"
    # CMake wraps its messages: compared with the line breaks as spaces.
    tr -s ' \n' '  ' <"$root/out" | grep -qF "$said" || fail "'$line' in $file: $(grep -A4 'CMake Error' "$root/out" | head -8)"
done <<'EOT'
src/logging/DataFile.cpp|#include <QtWidgets/QLabel>|src/logging/DataFile.cpp is logic but includes a QtWidgets header
src/link/Framing.cpp|#include "monitor/BarModel.h"|src/link/Framing.cpp includes monitor/BarModel.h: vq800_link may use link, core only
src/link/Decoder.cpp|#include "link/CommLogModel.h"|src/link/Decoder.cpp is logic but includes the window file link/CommLogModel.h
src/CMakeLists.txt|target_link_libraries(vq800_link PUBLIC vq800_monitor)|vq800_link links vq800_monitor, against the direction
EOT
echo "layers checked"
