#!/usr/bin/env bash
# Times twcli on wide and deep folder trees: 100,000 top-level folders, and a chain of 10,000
# nested folders, each with 10,000 entries spread over them.
# Usage: bench/folders_bench.sh [BUILD_DIR]   (a Release build with -DTW_BUILD_BENCH=ON)
set -euo pipefail
build="${1:-build/bench}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
export XDG_DATA_HOME="$work/daten"
cli="$build/src/cli/twcli"
login=$'alice\ngeheim\n'

run() {
    local label="$1"
    shift
    local start end
    start=$(date +%s.%N)
    printf '%s' "$login" | "$cli" "$@" >/dev/null
    end=$(date +%s.%N)
    printf '%-28s %6.3f s\n' "$label" "$(echo "$end - $start" | bc)"
}

for shape in "flat 100000" "deep 2000" "deep 4000" "deep 10000"; do
    db="$work/${shape// /-}.twdb"
    "$build/bench/tw_make_vault" "$db" 10000 $shape
    run "ls -R, $shape" ls "$db" -R
    run "search, $shape" search "$db" "benutzer4711"
done
