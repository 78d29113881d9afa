# Helpers for the checks of runs.txt (sourced by each case; the case's folder is current).
quiet() { [ ! -s ../o ] && [ "$(ls -A)" = f.ls ]; }
# Standard output is printf's output for the arguments, the statistics' time masked as "#".
out() {
    fmt=$1
    shift
    [ "|$(sed 's/time: [0-9.]*ms/time: #ms/' ../o; echo .)" = "$(printf "|$fmt" "$@"; echo .)" ]
}
# Standard output is the file NAME of this folder, the statistics' time masked as "#".
same() { sed 's/time: [0-9.]*ms/time: #ms/' ../o | cmp -s - "$DATA/$1"; }
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
