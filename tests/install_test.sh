#!/bin/sh
# Installs the build into a scratch prefix and checks what a desktop needs from it: both
# programs run from there, the launcher validates, *.ls maps to our text type, the icons,
# manual pages, documentation and examples are in place (data/install/files.txt). Usage:
# install_test.sh BUILD PREFIX
set -u
build=$1
prefix=$2
fail=0
no() { echo "FAIL: $*"; fail=1; }

rm -rf "$prefix"
cmake --install "$build" --prefix "$prefix" >/dev/null || { echo "FAIL: cmake --install"; exit 1; }

grep -v '^#' "$(dirname "$0")/data/install/files.txt" | while read -r f; do
    [ -s "$prefix/$f" ] || echo "FAIL: missing $f"
done | grep . && fail=1

"$prefix/bin/lsys" --version | grep -q '^lsys' || no "lsys --version"
QT_QPA_PLATFORM=offscreen "$prefix/bin/sprig" --version 2>/dev/null | grep -qi 'sprig' ||
    no "sprig --version"
"$prefix/bin/lsys" check "$prefix/share/doc/sprig/examples/tree.ls" || no "lsys check example"

desktop-file-validate "$prefix/share/applications/sprig.desktop" || no "desktop-file-validate"

# The MIME database built from our package file alone: *.ls is our type, a kind of text.
update-mime-database "$prefix/share/mime" 2>/dev/null || no "update-mime-database"
grep -q 'text/x-sprig-lsystem:\*\.ls' "$prefix/share/mime/globs2" || no "*.ls glob"
grep -q '^text/x-sprig-lsystem text/plain' "$prefix/share/mime/subclasses" || no "subclass"

for m in sprig lsys; do
    out=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 \
          "$prefix/share/man/man1/$m.1" 2>&1 >/dev/null)
    [ -z "$out" ] || no "$m.1: $out"
done

[ $fail -eq 0 ] && echo "install tree complete"
exit $fail
