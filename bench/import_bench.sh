#!/usr/bin/env bash
# Times twcli import, each as a whole process: ENTRIES entries into one folder and spread over
# 1,000 folders, and the refusal of a hostile CSV file of one 100 MB line and of a KeePass 2.x
# entry with 1,000,000 fields (wall time and peak memory of the process).
# Usage: bench/import_bench.sh [BUILD_DIR] [ENTRIES]   (a Release build with -DTW_BUILD_BENCH=ON)
set -euo pipefail
build="${1:-build/bench}"
entries="${2:-100000}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
export XDG_DATA_HOME="$work/daten"
cli="$build/src/cli/twcli"
login=$'alice\ngeheim\n'

# Runs twcli with the log-in on its input; prints the label, wall time, peak memory and status.
run() {
    local label="$1"
    shift
    local status=0
    printf '%s' "$login" | /usr/bin/time -f '%e %M' -o "$work/time" "$cli" "$@" >/dev/null 2>"$work/err" || status=$?
    read -r seconds kilobytes < <(tail -n 1 "$work/time")
    printf '%-34s %8.2f s %8d MiB  (exit %d)\n' "$label" "$seconds" $((kilobytes / 1024)) "$status"
    if [ "$status" -ne 0 ]; then
        head -n 3 "$work/err" | sed 's/^/    /'
    fi
}

fresh() {
    rm -f "$work/ziel.twdb" "$work"/~\$*
    printf 'Alice\ngeheim\n' | "$cli" db-create "$work/ziel.twdb" >/dev/null 2>&1
}

seq 0 $((entries - 1)) | awk '{ print "Eintrag " $1 ";user" $1 "@example.org;pw-" $1 "-x7Q;https://site" $1 ".example.org/login;Notiz " $1 }' >"$work/ein-ordner.csv"
seq 0 $((entries - 1)) | awk '{ print "Gruppe " ($1 % 1000) ";Eintrag " $1 ";user" $1 "@example.org;pw-" $1 "-x7Q;https://site" $1 ".example.org/login;Notiz " $1 }' >"$work/verteilt.csv"

echo "twcli import of $entries entries"
fresh
run "into one folder" import "$work/ziel.twdb" "$work/ein-ordner.csv" --format csv \
    --columns beschreibung,benutzername,passwort,url,kommentar --duplicates keep
fresh
run "over 1,000 folders" import "$work/ziel.twdb" "$work/verteilt.csv" --format csv \
    --columns ordner,beschreibung,benutzername,passwort,url,kommentar --duplicates keep

echo "hostile files"
{ printf 'Titel;'; head -c $((100 * 1024 * 1024)) /dev/zero | tr '\0' x; } >"$work/eine-zeile.csv"
fresh
run "CSV, one line of 100 MB" import "$work/ziel.twdb" "$work/eine-zeile.csv" --format csv \
    --columns beschreibung,kommentar
{
    printf '<?xml version="1.0" encoding="utf-8"?><KeePassFile><Root><Group><Name>G</Name><Entry>'
    printf '<String><Key>Title</Key><Value>Viele Felder</Value></String>\n'
    seq 0 999999 | awk '{ print "<String><Key>Feld " $1 "</Key><Value>Wert " $1 "</Value></String>" }'
    printf '</Entry></Group></Root></KeePassFile>\n'
} >"$work/felder.xml"
run "KeePass 2.x, 1,000,000 fields" import "$work/ziel.twdb" "$work/felder.xml" --format keepass2-xml \
    --duplicates keep
