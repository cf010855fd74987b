#!/bin/sh
# Installs Korvo-EQ from this folder into the folders Linux hosts scan, or
# removes it from them.
#   ./install.sh                        for you alone: ~/.vst, ~/.vst3, ~/.clap, ~/.lv2, ~/.local/bin/korvo
#   sudo ./install.sh --system          for every user: /usr/local/lib/vst, lib/vst3, lib/clap, lib/lv2, bin/korvo
#   ./install.sh --uninstall [--system] removes what the same command installed
# Only Korvo-EQ's own files and bundles are touched; the folders stay, as
# other plug-ins live there too.
set -eu
here=$(cd "$(dirname "$0")" && pwd)

system=0
uninstall=0
for arg in "$@"; do
    case "$arg" in
    --system) system=1 ;;
    --uninstall) uninstall=1 ;;
    -h | --help)
        sed -n '2,9s/^# \{0,1\}//p' "$0"
        exit 0
        ;;
    *)
        echo "install.sh: unknown option '$arg' (see ./install.sh --help)" >&2
        exit 2
        ;;
    esac
done

if [ "$system" = 1 ]; then
    prefix=/usr/local
    vst="$prefix/lib/vst" vst3="$prefix/lib/vst3" clap="$prefix/lib/clap" lv2="$prefix/lib/lv2" bin="$prefix/bin"
    if [ "$(id -u)" != 0 ]; then
        echo "install.sh: --system writes into $prefix: run it with sudo" >&2
        exit 1
    fi
else
    vst="$HOME/.vst" vst3="$HOME/.vst3" clap="$HOME/.clap" lv2="$HOME/.lv2" bin="$HOME/.local/bin"
fi

# Each installed item: its place in this folder and the folder it goes into.
items="lib/vst/KorvoEQ.so:$vst lib/vst3/KorvoEQ.vst3:$vst3 lib/clap/KorvoEQ.clap:$clap lib/lv2/KorvoEQ.lv2:$lv2 bin/korvo:$bin"

if [ "$uninstall" = 1 ]; then
    for item in $items; do
        source="${item%%:*}"
        target="${item#*:}/${source##*/}"
        if [ -e "$target" ]; then
            rm -rf "$target"
            echo "removed $target"
        fi
    done
    exit 0
fi

for item in $items; do
    source="$here/${item%%:*}"
    folder="${item#*:}"
    target="$folder/${source##*/}"
    mkdir -p "$folder"
    # A bundle replaces the one there whole, so no file of an older version stays.
    rm -rf "$target.new"
    cp -R "$source" "$target.new"
    rm -rf "$target"
    mv "$target.new" "$target"
    echo "$target"
done
if [ "$system" = 0 ]; then
    case ":$PATH:" in
    *":$bin:"*) ;;
    *) echo "note: $bin is not on your PATH yet; Debian and Ubuntu add it when you log in again." ;;
    esac
    echo "note: hosts that read LXVST_PATH (Ardour, Mixbus) scan ~/.vst only if it lists it: LXVST_PATH=\$HOME/.vst:/usr/lib/vst:/usr/local/lib/vst"
fi
