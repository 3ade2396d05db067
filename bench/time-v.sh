# Sourced by the benchmark scripts: measure LABEL COMMAND... runs the command once under
# /usr/bin/time -v (its standard output thrown away, the report in $TIME_REPORT) and prints
# "LABEL seconds peak-kB".
measure() {
    local label="$1"
    shift
    sync
    /usr/bin/time -v -o "$TIME_REPORT" "$@" >/dev/null
    awk -v l="$label" -F': ' '/Elapsed \(wall clock\)/ { n = split($2, t, ":"); s = 0;
        for (i = 1; i <= n; i++) s = s * 60 + t[i] } /Maximum resident/ { kb = $2 }
        END { printf "%s %.2f %d\n", l, s, kb }' "$TIME_REPORT"
}
