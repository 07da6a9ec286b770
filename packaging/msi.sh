#!/usr/bin/env bash
# Builds the Windows Installer package from packaging/pkd.wxs with wixl.
#   msi.sh ARCH VERSION PRODUCT_NAME STAGE OUT
# ARCH is x86 or x64; STAGE the folder holding the files to install; OUT the
# .msi to write. scripts/release.sh calls it; the release test calls it again
# with a newer VERSION to try an upgrade.
set -euo pipefail
[ $# -eq 5 ] || { echo "usage: msi.sh x86|x64 VERSION PRODUCT_NAME STAGE OUT.msi" >&2; exit 2; }
arch=$1 version=$2 product=$3 stage=$4 out=$5
here=$(cd "$(dirname "$0")" && pwd)
case "$arch" in
  x86) template=Intel ;;
  x64) template=x64 ;;
  *) echo "msi.sh: ARCH is x86 or x64" >&2; exit 2 ;;
esac
mkdir -p "$(dirname "$out")"
out=$(cd "$(dirname "$out")" && pwd)/$(basename "$out")
rm -f "$out"

# wixl takes file sources relative to the folder it runs in.
(cd "$stage" && wixl -a "$arch" -D Arch="$arch" -D Version="$version" -D ProductName="$product" \
  -D SourceDir=. -o "$out" "$here/pkd.wxs")

# wixl 0.101 leaves the database without a code page and the summary's
# language at 1033, whatever the source says, and crashes on any character
# outside ASCII in a table. So the code page (1250) and the package language
# (Polish) are set here, and then the texts with Polish letters are written.
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
printf '\r\n\r\n1250\t_ForceCodepage\r\n' >"$tmp/_ForceCodepage.idt"
msibuild "$out" -i "$tmp/_ForceCodepage.idt"
msibuild "$out" -s "$product $version ($arch)" ZELNOR "$template;1045"
msibuild "$out" -q "UPDATE \`LaunchCondition\` SET \`Description\` = 'Zainstalowana jest już nowsza wersja programu [ProductName].' WHERE \`Condition\` = 'NOT WIX_DOWNGRADE_DETECTED'"
msibuild "$out" -q "UPDATE \`Shortcut\` SET \`Description\` = 'Wybór kodu Polskiej Klasyfikacji Działalności' WHERE \`Shortcut\` = 'PkdShortcut'"
