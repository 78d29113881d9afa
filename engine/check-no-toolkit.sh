#!/bin/sh
# Fails when the engine archive refers to any Qt, GL, GLU or EGL symbol.
set -e
lib="$1"
bad=$(nm -u -C "$lib" | grep -E ' (gl[A-Z]|glu[A-Z]|egl[A-Z]|Q[A-Z][A-Za-z]+::)' || true)
if [ -n "$bad" ]; then
    echo "engine library refers to toolkit symbols:"; echo "$bad"; exit 1
fi
echo "engine library: no Qt or GL symbols"
