# Helpers for the checks of runs.txt (sourced by each case; the case's folder is current).
quiet() { [ ! -s ../o ] && [ "$(ls -A)" = f.ls ]; }
# Standard output with what changes from run to run masked: the statistics' time ("time: #ms")
# and a pick's distance below 0.01 ("err=#", "err":#).
masked() {
    sed 's/time: [0-9.]*ms/time: #ms/; s/err=0\.00[0-9]*/err=#/
         s/"err":\(0\.00[0-9]*\|[0-9.]*e-[0-9]*\)/"err":#/' ../o
}
# Standard output is printf's output for the arguments, masked.
out() { fmt=$1 && shift && [ "|$(masked; echo .)" = "$(printf "|$fmt" "$@"; echo .)" ]; }
# Standard output is the file NAME of this folder, masked.
same() { masked | cmp -s - "$DATA/$1"; }
# Every other command reports the problems of d.ls exactly as check listed them in ../o (export
# may add a note of its own), with check's status, and writes its output all the same.
as_check() {
    set -- "export d.ls -o d.stl" "pick d.ls 0 0 50" "pick --json d.ls 0 0 50"
    [ "$HAS_RENDER" = 0 ] || set -- "$@" "render d.ls -o d.png --size 32x24"
    for c; do
        o=${ASAN_OPTIONS-}
        [ "${c%% *}" = render ] && o=detect_leaks=0 # Mesa keeps allocations past exit
        ASAN_OPTIONS=$o $LSYS $c >/dev/null 2>../c
        [ $? = "$(cat ../status)" ] && head -c "$(wc -c <../o)" ../c | cmp -s - ../o || return 1
        [ "${c%% *}" = export ] || cmp -s ../c ../o || return 1
    done
    [ -e d.stl ] && { [ "$HAS_RENDER" = 0 ] || [ -e d.png ]; }
}
objok() {
    [ "$(sed -n 2p "$1.obj")" = "mtllib $1.mtl" ] && [ -s "$1.mtl" ] &&
        [ "$(grep -c '^v ' "$1.obj")" = "$(grep -c '^vn ' "$1.obj")" ]
}
name() { i=0; while [ $i -lt "$2" ]; do printf %s "$1"; i=$((i + 1)); done; }
# What bash completes for the line, as on a Tab at its end.
complete() {
    bash -c 'shopt -s extglob; source "$COMPLETION"; read -ra COMP_WORDS <<< "$1"
        [[ $1 == *" " ]] && COMP_WORDS+=(""); COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
        _lsys; echo "${COMPREPLY[*]}"' complete "$1"
}
# The formats of lsys's export help (made from the exporters' table) are exactly those that
# the completion, the manual page and the README list, in the same order.
formats_documented() {
    set -- $(sed -n 's/^    \([0-9a-z][0-9a-z]*\)  *[^ ].*/\1/p' ../o)
    [ $# -gt 2 ] || return 1
    bars=$1 spaces=$1 man=".BR $1" readme="\`$1\`"
    shift
    for f; do bars="$bars|$f" spaces="$spaces $f" man="$man \", \" $f" readme="$readme, \`$f\`"; done
    grep -qF "'$bars'" "$COMPLETION" && grep -qF "\"$spaces\"" "$COMPLETION" &&
        grep -qF "$man" "$SOURCE/docs/man/lsys.1" && grep -qF "$readme" "$SOURCE/README.md"
}
