#!/usr/bin/env bash
# Builds the packages from fresh build folders into dist/:
#   vocoder_<version>_amd64.deb             for Debian 12 and its derivatives,
#                                           its dependencies found by dpkg-shlibdeps
#   vocoder-<version>-linux-x86_64.tar.gz   the same files built portable (FFTW,
#                                           and the C++ runtime linked in),
#                                           with install.sh
# The version is the project's (CMakeLists.txt).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh package
jobs=$(nproc)
mkdir -p dist

build() {  # build folder, then extra CMake arguments
    local dir=$1
    shift
    rm -rf "$dir"
    cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=Release -DVOCODER_TESTS=OFF "$@" >/dev/null
    cmake --build "$dir" -j"$jobs" >/dev/null
}
is_elf() { [[ "$(od -An -N4 -tx1 "$1" | tr -d ' ')" == 7f454c46 ]]; }
# Debug information and the compiler's notes go; symbols the loader needs stay.
strip_elf() {
    find "$1" -type f | while IFS= read -r f; do
        if is_elf "$f"; then
            strip --strip-unneeded --remove-section=.comment --remove-section=.note "$f"
        fi
    done
}
# Folders 0755, programs 0755, everything else (libraries included) 0644.
set_modes() {
    find "$1" -type d -exec chmod 0755 {} +
    find "$1" -type f -exec chmod 0644 {} +
    chmod 0755 "$1"/"$2"/bin/*
}

# Debian's hardening: fortified functions, a stack protector, relocations
# read-only and bound at load.
hardened_link="-Wl,-z,relro,-z,now"
build build/package-deb -DCMAKE_INSTALL_PREFIX=/usr -DCMAKE_CXX_FLAGS="-D_FORTIFY_SOURCE=2 -fstack-protector-strong" \
    -DCMAKE_EXE_LINKER_FLAGS="$hardened_link" -DCMAKE_SHARED_LINKER_FLAGS="$hardened_link" \
    -DCMAKE_MODULE_LINKER_FLAGS="$hardened_link"
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/package-deb/CMakeCache.txt)
changelog_version=$(dpkg-parsechangelog -l packaging/debian/changelog -S Version)
if [[ "$changelog_version" != "$version" ]]; then
    echo "packaging/debian/changelog starts at $changelog_version, the project is at $version: add an entry" >&2
    exit 1
fi

echo "== vocoder_${version}_amd64.deb"
# dpkg-shlibdeps and dpkg-gencontrol work in a source tree's debian/ folder,
# the package's files in debian/vocoder.
work=build/package-deb/source
root=$work/debian/vocoder
rm -rf "$work"
mkdir -p "$work/debian"
cp packaging/debian/control packaging/debian/changelog "$work/debian/"
DESTDIR="$PWD/$root" cmake --install build/package-deb >/dev/null
gzip -9n "$root"/usr/share/man/man1/*.1
doc="$root/usr/share/doc/vocoder"
mkdir -p "$doc"
cp packaging/copyright "$doc/copyright"
gzip -9nc packaging/debian/changelog > "$doc/changelog.gz"
strip_elf "$root"
set_modes "$root" usr
elves=()
while IFS= read -r f; do
    if is_elf "$root/$f"; then elves+=("debian/vocoder/$f"); fi
done < <(cd "$root" && find . -type f | sed 's|^\./||')
mkdir -p "$root/DEBIAN"
(cd "$work" && dpkg-shlibdeps -Tdebian/substvars "${elves[@]}" &&
    dpkg-gencontrol -v"$version" -Pdebian/vocoder -Tdebian/substvars)
(cd "$root" && find usr -type f -print0 | sort -z | xargs -0 md5sum) > "$root/DEBIAN/md5sums"
chmod 0644 "$root/DEBIAN/md5sums"
deb="dist/vocoder_${version}_amd64.deb"
dpkg-deb --root-owner-group -Zxz --build "$root" "$deb" >/dev/null
echo "$deb"
dpkg-deb -f "$deb" Depends

echo "== vocoder-${version}-linux-x86_64.tar.gz"
name="vocoder-${version}-linux-x86_64"
build build/package-tar -DVOCODER_PORTABLE=ON -DCMAKE_INSTALL_PREFIX=/
stage=build/package-tar/stage
rm -rf "$stage"
DESTDIR="$PWD/$stage/$name" cmake --install build/package-tar >/dev/null
gzip -9n "$stage/$name"/share/man/man1/*.1
cp packaging/install.sh packaging/copyright "$stage/$name/"
strip_elf "$stage/$name"
set_modes "$stage" "$name"
chmod 0755 "$stage/$name/install.sh"
tarball="dist/$name.tar.gz"
tar -C "$stage" --sort=name --owner=0 --group=0 --numeric-owner --mtime="@$(date -d "$(dpkg-parsechangelog -l packaging/debian/changelog -S Date)" +%s)" \
    -czf "$tarball" "$name"
echo "$tarball"
