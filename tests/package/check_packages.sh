#!/usr/bin/env bash
# Checks the packages scripts/package.sh wrote into dist/: the .deb's files
# are the list in files.txt, lintian finds no error, and unpacked, its
# plug-ins load (lilv lists the LV2 plug-in, the CLAP and VST 2 entries
# answer) and its vocoder-render renders the demo; the tarball holds the
# same files, its plug-ins need only the C runtime, X11 and cairo's
# libraries, and its install.sh installs, renders and uninstalls leaving
# nothing behind.
# Usage: tests/package/check_packages.sh PACKAGE_PROBE
set -euo pipefail
cd "$(dirname "$0")/../.."
probe=$1
here=tests/package
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "package check: $*" >&2; exit 1; }

debs=(dist/vocoder_*_amd64.deb)
[[ ${#debs[@]} -eq 1 && -f ${debs[0]} ]] || fail "expected one .deb in dist/, found: ${debs[*]}"
deb=${debs[0]}
version=$(dpkg-deb -f "$deb" Version)
tarball=dist/vocoder-$version-linux-x86_64.tar.gz
[[ -f $tarball ]] || fail "no $tarball"
echo "== $deb (version $version)"
dpkg-deb -f "$deb" Depends

# The files, without folders.
dpkg-deb --fsys-tarfile "$deb" | tar -t | sed 's|^\./||' | grep -v -e '/$' -e '^$' | sort > "$work/deb-files"
diff -u "$here/files.txt" "$work/deb-files" || fail "the .deb's files differ from $here/files.txt"
echo "files: as listed ($(wc -l < "$work/deb-files"))"

lintian --tag-display-limit 0 "$deb" > "$work/lintian" 2>&1 || true
cat "$work/lintian"
grep -q '^E: ' "$work/lintian" && fail "lintian reports errors"
echo "lintian: no errors"

dpkg-deb -x "$deb" "$work/deb"
usr=$work/deb/usr
LV2_PATH=$usr/lib/lv2 lv2ls | grep -qx 'urn:velmora:vocoder' || fail "lilv does not list urn:velmora:vocoder"
echo "lv2: $(LV2_PATH=$usr/lib/lv2 lv2ls | tr '\n' ' ')"
answer=$("$probe" vst2 "$usr/lib/vst/Vocoder.so") || fail "the VST 2 entry does not answer"
echo "vst2 (unique id, parameters, inputs, outputs): $answer"
answer=$("$probe" clap "$usr/lib/clap/Vocoder.clap") || fail "the CLAP entry does not answer"
echo "clap (id, version, plug-ins): $answer"
[[ $answer == "com.velmora.vocoder $version 1" ]] || fail "the CLAP descriptor is not version $version"
[[ "$("$usr/bin/vocoder-render" --version)" == "vocoder-render $version" ]] || fail "vocoder-render --version"
[[ "$("$usr/bin/vocoder" --version)" == "vocoder $version" ]] || fail "vocoder --version"
# From the unpacked tree the program finds the plug-in in ../lib/vst.
render() {  # vocoder-render, output, then options
    local program=$1 out=$2
    shift 2
    "$program" --quiet --modulator demo/phrase.wav --midi demo/chords.mid --align -o "$out" "$@"
    [[ -s $out ]] || fail "$program wrote no $out"
}
render "$usr/bin/vocoder-render" "$work/demo.wav" --preset "Classic Vocoder"
render "$usr/bin/vocoder-render" "$work/clear.wav" --preset "Clear Voice"
echo "renders: the demo, Classic and Clear"

echo "== $tarball"
tar -C "$work" -xzf "$tarball"
top=$work/vocoder-$version-linux-x86_64
(cd "$top" && find . -type f | sed 's|^\./||' | sort) > "$work/tar-files"
{ grep -v '^usr/share/doc/' "$here/files.txt" | sed 's|^usr/||'; echo copyright; echo install.sh; } | sort > "$work/tar-expected"
diff -u "$work/tar-expected" "$work/tar-files" || fail "the tarball's files differ from the .deb's"
for library in lib/vst/Vocoder.so lib/clap/Vocoder.clap lib/lv2/Vocoder.lv2/vocoder.so lib/lv2/Vocoder.lv2/vocoder_ui.so; do
    needed=$(readelf -d "$top/$library" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p' | tr '\n' ' ')
    for n in $needed; do
        [[ $n =~ ^(libc|libm|ld-linux-x86-64|libX11|libxcb[a-z0-9-]*|libcairo|libpng16)\.so ]] ||
            fail "$library needs $n"
    done
    echo "$library needs: $needed"
done
"$probe" vst2 "$top/lib/vst/Vocoder.so" >/dev/null || fail "the tarball's VST 2 entry does not answer"
"$probe" clap "$top/lib/clap/Vocoder.clap" >/dev/null || fail "the tarball's CLAP entry does not answer"
LV2_PATH=$top/lib/lv2 lv2ls | grep -qx 'urn:velmora:vocoder' || fail "lilv does not list the tarball's LV2 plug-in"
home=$work/home
mkdir -p "$home"
HOME=$home XDG_DATA_HOME="" "$top/install.sh" >/dev/null
for f in .vst/Vocoder.so .lv2/Vocoder.lv2/manifest.ttl .clap/Vocoder.clap .local/bin/vocoder .local/bin/vocoder-render \
         .local/share/vocoder/presets/Init.fxp .local/share/man/man1/vocoder.1.gz .local/share/applications/vocoder.desktop; do
    [[ -e $home/$f ]] || fail "install.sh did not install ~/$f"
done
# Installed for the user, the program finds the plug-in in ~/.vst.
HOME=$home render "$home/.local/bin/vocoder-render" "$work/home-demo.wav" --preset "Classic Vocoder"
HOME=$home XDG_DATA_HOME="" "$top/install.sh" --uninstall >/dev/null
left=$(find "$home" -mindepth 1)
[[ -z $left ]] || fail "the uninstall left: $left"
"$top/install.sh" --prefix "$work/prefix" >/dev/null
render "$work/prefix/bin/vocoder-render" "$work/prefix-demo.wav" --preset "Clear Voice"
"$top/install.sh" --prefix "$work/prefix" --uninstall >/dev/null
[[ ! -e $work/prefix ]] || fail "the uninstall left $(find "$work/prefix")"
echo "install.sh: installs, renders and uninstalls, for the user and under a prefix"
