#!/bin/sh
# Installs Korvo-EQ from this folder into the folders Linux hosts scan, or
# removes it from them.
#   ./install.sh                        for you alone: ~/.vst, ~/.vst3, ~/.clap, ~/.lv2, ~/.local/bin/korvo
#   sudo ./install.sh --system          for every user: /usr/local/lib/vst, lib/vst3, lib/clap, lib/lv2, bin/korvo
#   ./install.sh --uninstall [--system] removes what the same command installed
# The factory presets go with them: the VST3 ones into ~/.vst3/presets/Vardle/Korvo-EQ
# (/usr/local/share/vst3/presets/... with --system), the VST2 ones into KorvoEQ-presets beside the VST2 module.
# Only Korvo-EQ's own files and bundles are touched; the shared folders stay.
set -eu
here=$(cd "$(dirname "$0")" && pwd)

system=0
uninstall=0
for arg in "$@"; do
    case "$arg" in
    --system) system=1 ;;
    --uninstall) uninstall=1 ;;
    -h | --help)
        sed -n '2,10s/^# \{0,1\}//p' "$0"
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
    vst3_presets="$prefix/share/vst3/presets"
    if [ "$(id -u)" != 0 ]; then
        echo "install.sh: --system writes into $prefix: run it with sudo" >&2
        exit 1
    fi
else
    vst="$HOME/.vst" vst3="$HOME/.vst3" clap="$HOME/.clap" lv2="$HOME/.lv2" bin="$HOME/.local/bin"
    vst3_presets="$HOME/.vst3/presets"
fi

# A module or bundle: SOURCE (its place in this folder) into FOLDER, replacing
# the one there whole, so no file of an older version stays; or taken away.
#   module SOURCE FOLDER
module() {
    target="$2/${1##*/}"
    if [ "$uninstall" = 1 ]; then
        if [ -e "$target" ]; then
            rm -rf "$target"
            echo "removed $target"
        fi
        return
    fi
    mkdir -p "$2"
    rm -rf "$target.new"
    cp -R "$here/$1" "$target.new"
    rm -rf "$target"
    mv "$target.new" "$target"
    echo "$target"
}

# Presets: the files of SOURCE (a folder here) into FOLDER, or those files
# taken away from it, and FOLDER and the folders above it up to TOP with them
# once empty. Hosts save the user's own presets there too: they stay.
#   presets SOURCE FOLDER TOP
presets() {
    [ -d "$here/$1" ] || return 0
    [ "$uninstall" = 1 ] || mkdir -p "$2"
    for file in "$here/$1"/*; do
        [ -f "$file" ] || continue
        target="$2/${file##*/}"
        if [ "$uninstall" = 0 ]; then
            cp "$file" "$target"
        elif [ -e "$target" ]; then
            rm -f "$target"
        fi
    done
    if [ "$uninstall" = 0 ]; then
        echo "$2/"
        return
    fi
    [ -d "$2" ] || return 0
    echo "removed Korvo-EQ's presets from $2"
    folder="$2"
    while rmdir "$folder" 2>/dev/null && [ "$folder" != "$3" ]; do
        folder="${folder%/*}"
    done
}

module lib/vst/KorvoEQ.so "$vst"
presets lib/vst/KorvoEQ-presets "$vst/KorvoEQ-presets" "$vst/KorvoEQ-presets"
module lib/vst3/KorvoEQ.vst3 "$vst3"
presets share/vst3/presets/Vardle/Korvo-EQ "$vst3_presets/Vardle/Korvo-EQ" "$vst3_presets/Vardle"
module lib/clap/KorvoEQ.clap "$clap"
module lib/lv2/KorvoEQ.lv2 "$lv2"
module bin/korvo "$bin"
[ "$uninstall" = 0 ] || exit 0
if [ "$system" = 0 ]; then
    case ":$PATH:" in
    *":$bin:"*) ;;
    *) echo "note: $bin is not on your PATH yet; Debian and Ubuntu add it when you log in again." ;;
    esac
    echo "note: hosts that read LXVST_PATH (Ardour, Mixbus) scan ~/.vst only if it lists it: LXVST_PATH=\$HOME/.vst:/usr/lib/vst:/usr/local/lib/vst"
fi
