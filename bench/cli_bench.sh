#!/usr/bin/env bash
# Times twcli verbs, each as a whole process, on a database of 100,000 entries.
# Usage: bench/cli_bench.sh [--compare] [BUILD_DIR] [ENTRIES]   (a Release build with -DTW_BUILD_BENCH=ON)
# --compare imports one KeePass 2 XML file into twcli and into keepassxc-cli (Debian package
# keepassxc) and prints both times, both peak memories and their ratios.
set -euo pipefail
compare=0
if [[ "${1:-}" == "--compare" ]]; then
    compare=1
    shift
fi
build="${1:-build/bench}"
entries="${2:-100000}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
export XDG_DATA_HOME="$work/daten"
cli="$build/src/cli/twcli"
login=$'alice\ngeheim\n'

# One run: "SECONDS PEAK_KIB" of the command with the given standard input.
measure() {
    local input="$1"
    shift
    printf '%s' "$input" | /usr/bin/time -f '%e %M' -o "$work/time" "$@" >/dev/null 2>"$work/stderr" || {
        echo "failed: $*" >&2
        cat "$work/stderr" >&2
        exit 1
    }
    cat "$work/time"
}

if [[ $compare -eq 0 ]]; then
    db="$work/gross.twdb"
    "$build/bench/tw_make_vault" "$db" "$entries"
    run() {
        local label="$1"
        shift
        read -r seconds peak < <(measure "$login${EXTRA_INPUT:-}" "$cli" "$@")
        printf '%-10s %6.2f s %8.1f MiB\n' "$label" "$seconds" "$(echo "$peak / 1024" | bc -l)"
    }
    echo "twcli on $entries entries ($(du -h "$db" | cut -f1))"
    run db-info db-info "$db"
    run "ls -R" ls "$db" -R
    run search search "$db" "benutzer4711"
    run show show "$db" "Ordner C/Eintrag 4702"
    EXTRA_INPUT=$'neues Passwort\n' run add add "$db" "Ordner A/Neu" --username neu
    exit 0
fi

command -v keepassxc-cli >/dev/null || { echo "keepassxc-cli fehlt (apt-get install keepassxc)" >&2; exit 2; }
xml="$work/export.xml"
# The same entries for both: 20 groups, every field filled, one earlier password each.
awk -v n="$entries" 'BEGIN {
    print "<?xml version=\"1.0\" encoding=\"utf-8\" standalone=\"yes\"?>"
    print "<KeePassFile><Meta><Generator>bench</Generator></Meta><Root><Group><Name>Bench</Name>"
    for (g = 0; g < 20; g++) {
        printf "<Group><Name>Ordner %c</Name>\n", 65 + g
        for (e = g; e < n; e += 20) {
            printf "<Entry><String><Key>Title</Key><Value>Eintrag %d</Value></String>", e
            printf "<String><Key>UserName</Key><Value>benutzer%d@example.org</Value></String>", e
            printf "<String><Key>Password</Key><Value>P@ß wörd %d</Value></String>", e
            printf "<String><Key>URL</Key><Value>https://login.example.org/%d</Value></String>", e
            printf "<String><Key>Notes</Key><Value>Kommentar für %d\nzweite Zeile äöü</Value></String>", e
            printf "<String><Key>Kundennummer</Key><Value>K-%d</Value></String>", e
            printf "<History><Entry><String><Key>Title</Key><Value>Eintrag %d</Value></String>", e
            printf "<String><Key>Password</Key><Value>alt %d</Value></String></Entry></History></Entry>\n", e
        }
        print "</Group>"
    }
    print "</Group></Root></KeePassFile>"
}' >"$xml"

twdb="$work/vergleich.twdb"
kdbx="$work/vergleich.kdbx"
printf 'Alice\ngeheim\n' | "$cli" db-create "$twdb" >/dev/null 2>&1
printf '%s' "$login" | "$cli" import "$twdb" "$xml" --format keepass2-xml --duplicates keep >/dev/null 2>&1
printf 'geheim\ngeheim\n' | keepassxc-cli import -p "$xml" "$kdbx" >/dev/null 2>&1
printf '%s' "$login" | "$cli" ls "$twdb" -R >"$work/liste"
folder="$(grep -m1 '/Ordner C/$' "$work/liste")"
folder="${folder%/}"
echo "$entries entries: twcli $(du -h "$twdb" | cut -f1), keepassxc-cli $(du -h "$kdbx" | cut -f1)"
printf '%-8s %10s %10s %8s %12s %12s %8s\n' verb twcli keepassxc ratio "twcli MiB" "kpxc MiB" ratio

# Runs TW (twcli) and KP (keepassxc-cli), set by the caller, with their inputs.
compare_verb() {
    local label="$1" tw_input="$2" kp_input="$3"
    read -r tws twm < <(measure "$tw_input" "${TW[@]}")
    read -r kps kpm < <(measure "$kp_input" "${KP[@]}")
    printf '%-8s %8.2f s %8.2f s %7.1fx %12.1f %12.1f %7.1fx\n' "$label" "$tws" "$kps" \
        "$(echo "$kps / $tws" | bc -l)" "$(echo "$twm / 1024" | bc -l)" "$(echo "$kpm / 1024" | bc -l)" \
        "$(echo "$kpm / $twm" | bc -l)"
}

TW=("$cli" ls "$twdb" -R); KP=(keepassxc-cli ls -R "$kdbx")
compare_verb "ls -R" "$login" $'geheim\n'
TW=("$cli" show "$twdb" "$folder/Eintrag 4702"); KP=(keepassxc-cli show "$kdbx" "Ordner C/Eintrag 4702")
compare_verb show "$login" $'geheim\n'
TW=("$cli" add "$twdb" "$folder/Neu" --username neu --no-password); KP=(keepassxc-cli add "$kdbx" "Ordner A/Neu" -u neu)
compare_verb add "$login" $'geheim\n'
TW=("$cli" search "$twdb" benutzer4711); KP=(keepassxc-cli search "$kdbx" benutzer4711)
compare_verb search "$login" $'geheim\n'
