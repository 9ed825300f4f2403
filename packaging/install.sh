#!/bin/sh
# Installs Vocoder from this folder, for the user (~/.vst, ~/.lv2, ~/.clap,
# ~/.local) or under a prefix, and takes it out again.
#   ./install.sh                     install for this user
#   ./install.sh --prefix DIR        install to DIR/lib/vst, DIR/lib/lv2, DIR/lib/clap, DIR/bin, DIR/share
#   ./install.sh --uninstall [--prefix DIR]
#                                    remove what an install to the same place put there
# What an install wrote is listed in SHARE/vocoder/installed-files, which
# the uninstall reads: files of anyone else are never touched.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
prefix="" uninstall=0
while [ $# -gt 0 ]; do
    case "$1" in
        --prefix) [ $# -ge 2 ] || { echo "install.sh: --prefix needs a folder" >&2; exit 2; }; prefix=$2; shift 2 ;;
        --uninstall) uninstall=1; shift ;;
        -h|--help) sed -n '2,9p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
        *) echo "install.sh: unknown option $1 (see --help)" >&2; exit 2 ;;
    esac
done

if [ -n "$prefix" ]; then
    case "$prefix" in /*) ;; *) prefix="$(pwd)/$prefix" ;; esac
    vst="$prefix/lib/vst" lv2="$prefix/lib/lv2" clap="$prefix/lib/clap" bin="$prefix/bin" share="$prefix/share"
else
    : "${HOME:?HOME is not set}"
    vst="$HOME/.vst" lv2="$HOME/.lv2" clap="$HOME/.clap" bin="$HOME/.local/bin"
    share="${XDG_DATA_HOME:-$HOME/.local/share}"
fi
record="$share/vocoder/installed-files"

if [ "$uninstall" -eq 1 ]; then
    [ -f "$record" ] || { echo "install.sh: nothing installed here ($record is missing)" >&2; exit 1; }
    list=$(cat "$record")
    rm -f "$record"
    # Files first, then the folders the install made, deepest first, if empty.
    printf '%s\n' "$list" | while IFS= read -r path; do [ -d "$path" ] || rm -f "$path"; done
    printf '%s\n' "$list" | sort -r | while IFS= read -r path; do
        if [ -d "$path" ]; then rmdir "$path" 2>/dev/null || true; fi
    done
    echo "Vocoder removed."
    exit 0
fi

# The libraries need the C library of Debian 12 or later (glibc 2.36).
glibc=$(getconf GNU_LIBC_VERSION 2>/dev/null | sed 's/^glibc //')
case "$glibc" in
    2.[0-9]|2.[0-2][0-9]|2.3[0-5]) echo "install.sh: glibc $glibc is too old; Vocoder needs 2.36 or later" >&2; exit 1 ;;
esac

[ -f "$record" ] && { echo "install.sh: Vocoder is installed here already; run ./install.sh --uninstall first" >&2; exit 1; }
notes=$(mktemp)
trap 'rm -f "$notes"' EXIT
# Makes a folder and those above it that are missing, noting each.
makedir() {
    [ -d "$1" ] && return 0
    makedir "$(dirname "$1")"
    mkdir "$1"
    echo "$1" >> "$notes"
}
# Copies a file or a folder from this package to a target, noting every
# folder it makes and every file it writes.
put() {
    local from="$here/$1" to="$2" entry
    if [ -d "$from" ]; then
        makedir "$to"
        for entry in "$from"/*; do put "${entry#"$here"/}" "$to/$(basename "$entry")"; done
    else
        makedir "$(dirname "$to")"
        cp "$from" "$to"
        echo "$to" >> "$notes"
    fi
}
makedir "$share/vocoder"
put lib/vst/Vocoder.so "$vst/Vocoder.so"
put lib/lv2/Vocoder.lv2 "$lv2/Vocoder.lv2"
put lib/clap/Vocoder.clap "$clap/Vocoder.clap"
put bin/vocoder "$bin/vocoder"
put bin/vocoder-render "$bin/vocoder-render"
put share/vocoder/presets "$share/vocoder/presets"
put share/man/man1/vocoder.1.gz "$share/man/man1/vocoder.1.gz"
put share/man/man1/vocoder-render.1.gz "$share/man/man1/vocoder-render.1.gz"
put share/applications/vocoder.desktop "$share/applications/vocoder.desktop"
put share/icons/hicolor/256x256/apps/vocoder.png "$share/icons/hicolor/256x256/apps/vocoder.png"
cp "$notes" "$record"
echo "Vocoder installed: plug-ins in $vst, $lv2 and $clap; vocoder and vocoder-render in $bin."
case ":$PATH:" in *":$bin:"*) ;; *) echo "($bin is not on PATH.)" ;; esac
