#!/usr/bin/env bash
# Makes the release in build/release/ from both Windows builds (building what
# they lack): pkd-VERSION-x86.msi and pkd-VERSION-x86.zip from the 32-bit
# build (the product), pkd-VERSION-x64.msi and pkd-VERSION-x64.zip from the
# 64-bit one. VERSION and the product name are the project's, as in the
# programs' version resource (project(pkd VERSION ...) in CMakeLists.txt).
# Each package holds pkd.exe, pkdpick.exe, pkdmap.exe, pkd.kod, pkd2007.kod, CZYTAJ.txt
# and the licences; the zip holds them in a folder PKD.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh

jobs=$(nproc 2>/dev/null || echo 2)
out=build/release
mkdir -p "$out"

cache_value() {  # cache_value BUILD_DIR NAME
  sed -n "s/^$2:[A-Z]*=//p" "$1/CMakeCache.txt"
}

version=""
for preset in win32 win64; do
  log=$out/build-$preset.log
  echo "release: building $preset (log: $log)"
  if ! { cmake --preset "$preset" && cmake --build --preset "$preset" -j"$jobs" --target pkd pkdpick pkdmap pkd_catalogues; } >"$log" 2>&1; then
    bash scripts/build-error.sh "$log"
    exit 1
  fi
  v=$(cache_value "build/$preset" CMAKE_PROJECT_VERSION)
  p=$(cache_value "build/$preset" PKD_PRODUCT_NAME)
  if [ -z "$version" ]; then
    version=$v product=$p
  elif [ "$v" != "$version" ] || [ "$p" != "$product" ]; then
    echo "release: the builds disagree: $product $version and $p $v" >&2
    exit 1
  fi
done
[ -n "$version" ] && [ -n "$product" ] || { echo "release: no version in the build's cache" >&2; exit 1; }

# A text file as Windows shows it: Windows-1250 with CR LF line ends.
windows_text() {  # windows_text SOURCE TARGET ARCH
  sed -e "s/@PRODUCT@/$product/g" -e "s/@VERSION@/$version/g" -e "s/@ARCH@/$3/g" -e 's/$/\r/' "$1" |
    iconv -f UTF-8 -t CP1250 >"$2"
}

for pair in win32:x86:i686 win64:x64:x86_64; do
  IFS=: read -r preset arch triple <<<"$pair"
  bin=build/$preset/bin
  stage=$out/stage/$arch/PKD
  rm -rf "$out/stage/$arch"
  mkdir -p "$stage"
  # The symbols are of no use to the user and make up most of the files.
  for exe in pkd.exe pkdpick.exe pkdmap.exe; do
    "$triple-w64-mingw32-strip" -o "$stage/$exe" "$bin/$exe"
  done
  cp "$bin/pkd.kod" "$bin/pkd2007.kod" "$stage/"
  windows_text packaging/CZYTAJ.txt "$stage/CZYTAJ.txt" "$arch"
  windows_text LICENSE "$stage/LICENSE.txt" "$arch"
  windows_text packaging/LICENSES-THIRD-PARTY.txt "$stage/LICENSES-THIRD-PARTY.txt" "$arch"

  name=pkd-$version-$arch
  bash packaging/msi.sh "$arch" "$version" "$product" "$stage" "$out/$name.msi"
  rm -f "$out/$name.zip"
  (cd "$out/stage/$arch" && zip -q -X -r "../../$name.zip" PKD)
  echo "release: $out/$name.msi, $out/$name.zip"
done
