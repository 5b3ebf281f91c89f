#!/usr/bin/env bash
# Times twcli verbs, each as a whole process, on a database of 100,000 entries.
# Usage: bench/cli_bench.sh [BUILD_DIR] [ENTRIES]   (a Release build with -DTW_BUILD_BENCH=ON)
set -euo pipefail
build="${1:-build/bench}"
entries="${2:-100000}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
export XDG_DATA_HOME="$work/daten"
db="$work/gross.twdb"
"$build/bench/tw_make_vault" "$db" "$entries"
cli="$build/src/cli/twcli"
login=$'alice\ngeheim\n'

run() {
    local label="$1"
    shift
    local start end
    start=$(date +%s.%N)
    printf '%s' "$login${EXTRA_INPUT:-}" | "$cli" "$@" >/dev/null
    end=$(date +%s.%N)
    printf '%-10s %6.3f s\n' "$label" "$(echo "$end - $start" | bc)"
}

echo "twcli on $entries entries ($(du -h "$db" | cut -f1))"
run db-info db-info "$db"
run "ls -R" ls "$db" -R
run search search "$db" "benutzer4711"
run show show "$db" "Ordner C/Eintrag 4702"
EXTRA_INPUT=$'neues Passwort\n' run add add "$db" "Ordner A/Neu" --username neu
