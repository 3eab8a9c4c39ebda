#!/usr/bin/env bash
# Builds zlib and libzip for the page with emscripten, from Debian's source
# packages of the versions the native programs link (the source versions of
# the installed zlib1g-dev and libzip-dev), so that the page and pressling-cli
# run the same archive code. Everything goes into FOLDER (web/CMakeLists.txt
# gives its build folder): the sources are fetched once, through apt with a
# source list of its own, and the build is redone only when a version changes.
#   scripts/web-deps.sh FOLDER    leaves FOLDER/install/{include,lib}
# The machine's own apt sources, lists and caches are neither read nor written:
# apt is given private ones on its command line. apt checks every downloaded
# file against the signed Sources index; the .dsc is checked here once more,
# and dpkg-source checks the tarballs against the .dsc.
set -euo pipefail
[ $# -eq 1 ] || { echo "usage: web-deps.sh FOLDER" >&2; exit 2; }
mkdir -p "$1"
folder=$(cd "$1" && pwd)
install=$folder/install

source_version() {
  dpkg-query -W -f='${source:Version}' "$1" 2>/dev/null || {
    echo "web-deps.sh: $1 is not installed (scripts/install-deps.sh)" >&2
    exit 1
  }
}
zlib_version=$(source_version zlib1g-dev)
libzip_version=$(source_version libzip-dev)
stamp="zlib=$zlib_version libzip=$libzip_version emcc=$(emcc -dumpversion) script=$(sha256sum "$0" | cut -c1-16)"
if [ -f "$install/stamp" ] && [ "$(cat "$install/stamp")" = "$stamp" ]; then exit 0; fi
echo "web-deps.sh: building zlib $zlib_version and libzip $libzip_version with emscripten in $folder" >&2

# apt with nothing of the machine's: its own source list, lists and caches.
apt_dir=$folder/apt
mkdir -p "$apt_dir/sources" "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial"
# The machine's own Debian archives, asked for their sources instead of binaries.
rm -f "$apt_dir/sources/"*
for list in /etc/apt/sources.list.d/*.sources; do
  if [ -f "$list" ]; then sed -E 's/^Types:.*\bdeb\b.*/Types: deb-src/' "$list" > "$apt_dir/sources/$(basename "$list")"; fi
done
for list in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
  if [ -f "$list" ]; then sed -nE 's/^deb[[:space:]]+/deb-src /p' "$list" > "$apt_dir/sources/$(basename "$list").list"; fi
done
apt_options=(
  -o Dir::Etc::SourceList=/dev/null
  -o "Dir::Etc::SourceParts=$apt_dir/sources"
  -o "Dir::State::Lists=$apt_dir/lists"
  -o "Dir::Cache=$apt_dir/cache"
  -o Acquire::AllowInsecureRepositories=false
  -o Acquire::AllowDowngradeToInsecureRepositories=false
  -o APT::Sandbox::User=root
)
# A list whose signature fails is an error here, not a warning.
apt-get "${apt_options[@]}" -qq update >&2

fetch=$folder/fetched
mkdir -p "$fetch"
for pair in "zlib=$zlib_version" "libzip=$libzip_version"; do
  name=${pair%%=*}
  version=${pair#*=}
  plain=${version#*:}  # file names leave out the epoch
  dsc=$fetch/${name}_$plain.dsc
  if [ ! -f "$dsc" ]; then
    (cd "$fetch" && apt-get "${apt_options[@]}" -qq source --download-only "$name=$version" >&2)
  fi
  # The .dsc's hash as the signed Sources index gives it.
  expected=$(apt-cache "${apt_options[@]}" showsrc "$name" | awk -v version="$version" -v file="${name}_$plain.dsc" '
    /^Version:/ { current = $2 }
    /^Checksums-Sha256:/ { inside = 1; next }
    /^[^ ]/ { inside = 0 }
    inside && current == version && $3 == file { print $1; exit }')
  [ -n "$expected" ] || { echo "web-deps.sh: $name $version is not in the signed Sources index" >&2; exit 1; }
  actual=$(sha256sum "$dsc" | cut -d' ' -f1)
  if [ "$actual" != "$expected" ]; then
    echo "web-deps.sh: $dsc does not match the Sources index (sha256 $actual, expected $expected)" >&2
    rm -f "$dsc"
    exit 1
  fi
  rm -rf "$folder/src/$name"
  mkdir -p "$folder/src"
  # Checks every tarball against the .dsc and applies Debian's patches.
  dpkg-source --no-copy -x "$dsc" "$folder/src/$name" >&2
done

rm -rf "$install" "$folder/build"
mkdir -p "$install/include" "$install/lib" "$folder/build/zlib"

# zlib's own build would rewrite its source folder (zconf.h); its library is these files.
zlib_sources=(adler32 compress crc32 deflate gzclose gzlib gzread gzwrite infback inffast inflate inftrees trees
              uncompr zutil)
objects=()
for file in "${zlib_sources[@]}"; do
  emcc -O2 -DHAVE_UNISTD_H -DHAVE_STDARG_H -c "$folder/src/zlib/$file.c" -o "$folder/build/zlib/$file.o"
  objects+=("$folder/build/zlib/$file.o")
done
emar rcs "$install/lib/libz.a" "${objects[@]}"
cp "$folder/src/zlib/zlib.h" "$folder/src/zlib/zconf.h" "$install/include/"

# libzip with deflate only (the page reads no bzip2 or xz entries) and no
# encryption: encrypted entries are copied as they are stored, never decrypted.
# CMake cannot read type sizes from what emscripten compiles: they are given.
emcmake cmake -S "$folder/src/libzip" -B "$folder/build/libzip" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_INSTALL_PREFIX="$install" -DBUILD_SHARED_LIBS=OFF \
  -DZLIB_INCLUDE_DIR="$install/include" -DZLIB_LIBRARY="$install/lib/libz.a" \
  -DENABLE_BZIP2=OFF -DENABLE_LZMA=OFF -DENABLE_ZSTD=OFF -DENABLE_COMMONCRYPTO=OFF -DENABLE_GNUTLS=OFF \
  -DENABLE_MBEDTLS=OFF -DENABLE_OPENSSL=OFF -DENABLE_WINDOWS_CRYPTO=OFF \
  -DBUILD_TOOLS=OFF -DBUILD_REGRESS=OFF -DBUILD_EXAMPLES=OFF -DBUILD_DOC=OFF \
  -DHAVE_SIZEOF_OFF_T=TRUE -DSIZEOF_OFF_T=8 -DHAVE_SIZEOF_SIZE_T=TRUE -DSIZEOF_SIZE_T=4 >&2
cmake --build "$folder/build/libzip" --target install >&2
echo "$stamp" > "$install/stamp"
