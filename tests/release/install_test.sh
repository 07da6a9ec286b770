#!/usr/bin/env bash
# Tries the release as an administrator and a user would, in a fresh private
# 64-bit Wine prefix (build/release/wine):
#   install_test.sh ARCH...        ARCH: x64, x86 (x86 needs the 32-bit loader)
# For each ARCH, the MSI as msiinfo reads it (the shortcut's icon named with
# its target's extension, the summary's texts in its code page 1250, the
# programs' versions in the File table), then: a silent install (files,
# Start-menu shortcut, Add/Remove Programs entry with its folder and links,
# the installed pkd.exe shows its window with the PKD 2025 caption), a newer
# package of the same files replacing it (one copy left, the user's settings
# kept), the older package then refused with a message naming the installed
# version, and a silent removal (no file, shortcut or entry left, the settings
# still there); then an install into C:\Apps\PKD that the upgrade keeps
# without being told. With both widths, the other width's package of the same
# version replaces the installed one. The zip: unpacked into a folder with
# Polish letters in its name, its pkd.exe shows the same window. Prints
# "PASS release_msi_ARCH" or "FAIL ..." (and the same for release_zip_ARCH,
# release_msi_cross_width) per check group; exits 1 when any failed.
# Expects scripts/release.sh to have made build/release/.
set -uo pipefail
cd "$(dirname "$0")/../.."

out=build/release
state=$PWD/$out/wine
work=$out/test
caption="Polska Klasyfikacja Działalności 2025"
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall'
settings_key='HKCU\Software\ZELNOR\pkd\MainForm'
files=(CZYTAJ.txt LICENSE.txt LICENSES-THIRD-PARTY.txt pkd.exe pkd.kod pkd2007.kod pkdpick.exe pkdmap.exe)

cache_value() { sed -n "s/^$2:[A-Z]*=//p" "$1/CMakeCache.txt" 2>/dev/null; }
version=$(cache_value build/win64 CMAKE_PROJECT_VERSION)
product=$(cache_value build/win64 PKD_PRODUCT_NAME)
[ -n "$version" ] && [ -f "$out/pkd-$version-x64.msi" ] ||
  { echo "FAIL release: no packages in $out (bash scripts/release.sh makes them)"; exit 1; }
# The same files as a newer version: the third number up by one (Windows
# Installer compares only the first three).
IFS=. read -r v1 v2 v3 v4 <<<"$version"
newer=$v1.$v2.$((v3 + 1)).${v4:-0}

wine() { scripts/wine-run.sh --arch win64 "$state" "$@"; }
winpath() { echo "Z:$(realpath "$1" | tr / '\\')"; }

# The probe that waits for a program's window with a given caption (and a
# filled tree), built with the 64-bit programs; it starts 32-bit ones too.
probe=build/win64/bench/startup_probe.exe
floor=build/win64/bench/window_floor.exe
if [ ! -f "$probe" ] || [ ! -f "$floor" ]; then
  cmake --build --preset win64 --target startup_probe window_floor >/dev/null || exit 1
fi
shows_window() {  # shows_window WINDOWS_PATH_OF_PKD_EXE
  local log
  log=$(wine "$(winpath "$probe")" 1 "$1" "$caption" "$(winpath "$floor")")
  local rc=$?
  echo "    $(echo "$log" | head -1 | tr -d '\r')"
  return $rc
}

# Add/Remove Programs entries of the product in both registry views, one line
# each: "DisplayVersion Publisher"; arp_value NAME: that value of the entries.
arp_values() {
  local view
  for view in 32 64; do
    wine reg query "$uninstall_key" /s /reg:$view | tr -d '\r' | awk -v name="$product" '
      function out() { if (dn == name) for (i = 0; i < n; i++) print v[i] }
      /^HKEY_/ { out(); dn = ""; n = 0 }
      $2 ~ /^REG_/ { k = $1; sub(/^ *[^ ]+ +REG_[A-Z_]+ +/, ""); v[n++] = k "=" $0; if (k == "DisplayName") dn = $0 }
      END { out() }'
  done
}
arp_entries() {
  arp_values | awk -F= '$1 == "DisplayVersion" { dv = $2 } $1 == "Publisher" { print dv, $2 }'
}
arp_value() { arp_values | sed -n "s/^$1=//p"; }

shortcuts() {  # every Start-menu shortcut of the product, all users' and the user's
  find "$state/prefix/drive_c/ProgramData/Microsoft/Windows/Start Menu" \
       "$state/prefix/drive_c/users" -path '*Start Menu/Programs/*' -name "$product.lnk" 2>/dev/null
}

failures=0
group_ok=1
expect() {  # expect DESCRIPTION COMMAND...: one check of the current group
  local what=$1
  shift
  if "$@"; then echo "  ok: $what"; else echo "  FAILED: $what"; group_ok=0; fi
}
end_group() {
  if [ $group_ok = 1 ]; then echo "PASS $1"; else echo "FAIL $1"; failures=$((failures + 1)); fi
  group_ok=1
}
kept_settings() { wine reg query "$settings_key" /v NormPos >/dev/null; }
# refused MSI LOG: the package fails, and says why in its log.
refused() { ! wine msiexec /i "$(winpath "$1")" /qn /l*v "$(winpath "$2")" >/dev/null; }
# logged TEXT LOG: the downgrade's message, as the installer formatted it,
# holds TEXT (a verbose log lists the property that holds it).
logged() { tr -d '\r' <"$2" | grep -a "PKDDOWNGRADEMESSAGE = Zainstalowana" | grep -aqF "$1"; }
cp1250() { printf '%s' "$1" | iconv -f UTF-8 -t CP1250; }
# A table as msiinfo exports it; run elsewhere, since it writes a table's
# binary streams into a folder of the current one.
table() { (cd "$work" && msiinfo export "$OLDPWD/$1" "$2"); }

same_files() {  # same_files DIR STAGE: exactly the package's files, equal to the staged ones
  local f
  [ "$(ls "$1" | sort)" = "$(printf '%s\n' "${files[@]}" | sort)" ] || return 1
  for f in "${files[@]}"; do cmp -s "$1/$f" "$2/$f" || return 1; done
}

# A fresh prefix: the server of an earlier run that stopped halfway ends first.
scripts/wine-run.sh --stop "$state" >/dev/null 2>&1
rm -rf "$state" "$work"
mkdir -p "$work"
scripts/wine-run.sh --arch win64 --start "$state" || { echo "FAIL release: Wine did not start"; exit 1; }
trap 'scripts/wine-run.sh --stop "$state" >/dev/null 2>&1' EXIT
# No desktop menu entries on the host for the shortcuts the packages make.
wine reg add 'HKCU\Software\Wine\DllOverrides' /v winemenubuilder.exe /t REG_SZ /d "" /f >/dev/null

for arch in "$@"; do
  stage=$out/stage/$arch/PKD
  msi=$out/pkd-$version-$arch.msi
  zip=$out/pkd-$version-$arch.zip
  pf="Program Files"; [ "$arch" = x86 ] && pf="Program Files (x86)"
  dir=$state/prefix/drive_c/$pf/ZELNOR/PKD
  exe="C:\\$pf\\ZELNOR\\PKD\\pkd.exe"
  echo "=== release: $msi"

  # The package's tables and summary, as msiinfo reads them.
  expect "the shortcut's icon is named with its target's extension: PkdIcon.exe" \
    test "$(table "$msi" Icon | awk -F'\t' 'NR > 3 { print $1 }')" = PkdIcon.exe
  expect "the summary's code page is 1250" \
    test "$(python3 packaging/msifix.py summary "$msi" | sed -n 's/^Codepage: //p')" = 1250
  expect "the summary's Comments are in Windows-1250" \
    test "$(msiinfo suminfo "$msi" | sed -n 's/^Comments: //p')" = "$(cp1250 "Wybór kodu Polskiej Klasyfikacji Działalności")"
  for f in pkd.exe pkdpick.exe pkdmap.exe; do
    v=$(python3 packaging/msifix.py version "$stage/$f")
    expect "the File table gives $f its version $v" \
      test "$(table "$msi" File | awk -F'\t' -v f="$f" '$1 == f { print $5 }')" = "$v"
  done

  expect "msiexec /i $msi /qn" wine msiexec /i "$(winpath "$msi")" /qn
  expect "the files in C:\\$pf\\ZELNOR\\PKD" same_files "$dir" "$stage"
  lnk=$(shortcuts)
  expect "one Start-menu shortcut" test "$(echo "$lnk" | grep -c .)" = 1
  expect "the shortcut starts $exe" grep -aqF "$exe" "$lnk"
  expect "one Add/Remove Programs entry: $version ZELNOR" test "$(arp_entries)" = "$version ZELNOR"
  expect "its InstallLocation is C:\\$pf\\ZELNOR\\PKD\\" test "$(arp_value InstallLocation)" = "C:\\$pf\\ZELNOR\\PKD\\"
  expect "its HelpLink, URLInfoAbout and Contact" test "$(arp_value HelpLink)|$(arp_value URLInfoAbout)|$(arp_value Contact)" = \
    "mailto:wendrak.pkd@example.org|https://stat.gov.pl/Klasyfikacje/|ZELNOR, wendrak.pkd@example.org"
  expect "the installed pkd.exe shows \"$caption\"" shows_window "$exe"
  expect "the picker kept its settings in $settings_key" kept_settings

  # The same files as a newer version replace the installed one.
  newer_msi=$work/pkd-$newer-$arch.msi
  expect "a newer package ($newer) made" bash packaging/msi.sh "$arch" "$newer" "$product" "$stage" "$newer_msi"
  expect "msiexec /i $newer_msi /qn" wine msiexec /i "$(winpath "$newer_msi")" /qn
  expect "one Add/Remove Programs entry, now $newer" test "$(arp_entries)" = "$newer ZELNOR"
  expect "the files still there" same_files "$dir" "$stage"
  expect "still one shortcut" test "$(shortcuts | grep -c .)" = 1
  expect "the user's settings kept by the upgrade" kept_settings
  # An older package does not replace a newer one, and says which is there.
  log=$work/downgrade-$arch.log
  expect "the older package refused" refused "$msi" "$log"
  expect "its log names the installed version $newer" logged "nowsza wersja programu $product: $newer." "$log"
  expect "after the refusal still $newer" test "$(arp_entries)" = "$newer ZELNOR"

  expect "msiexec /x $newer_msi /qn" wine msiexec /x "$(winpath "$newer_msi")" /qn
  expect "no installed file or folder left" test ! -e "$state/prefix/drive_c/$pf/ZELNOR"
  expect "no shortcut left" test -z "$(shortcuts)"
  expect "no Add/Remove Programs entry left" test -z "$(arp_entries)"
  expect "the user's settings kept by the removal" kept_settings

  # A folder of the administrator's choice stays over an upgrade that does
  # not name it again.
  apps=$state/prefix/drive_c/Apps/PKD
  expect "msiexec /i $msi INSTALLDIR=C:\\Apps\\PKD /qn" wine msiexec /i "$(winpath "$msi")" 'INSTALLDIR=C:\Apps\PKD' /qn
  expect "the files in C:\\Apps\\PKD" same_files "$apps" "$stage"
  expect "msiexec /i $newer_msi /qn (no INSTALLDIR)" wine msiexec /i "$(winpath "$newer_msi")" /qn
  expect "one Add/Remove Programs entry, at $newer" test "$(arp_entries)" = "$newer ZELNOR"
  expect "the files still in C:\\Apps\\PKD" same_files "$apps" "$stage"
  expect "  ... and none in C:\\$pf" test ! -e "$state/prefix/drive_c/$pf/ZELNOR"
  expect "InstallLocation C:\\Apps\\PKD\\" test "$(arp_value InstallLocation)" = 'C:\Apps\PKD\'
  expect "msiexec /x $newer_msi /qn" wine msiexec /x "$(winpath "$newer_msi")" /qn
  expect "nothing left in C:\\Apps" test ! -e "$apps"
  end_group "release_msi_$arch"

  echo "=== release: $zip"
  unpacked=$work/zip-$arch/Księgowość
  mkdir -p "$unpacked"
  expect "unzip $zip" unzip -q "$zip" -d "$unpacked"
  expect "the zip holds the files in a folder PKD" same_files "$unpacked/PKD" "$stage"
  expect "pkd.exe from the zip shows \"$caption\"" shows_window "$(winpath "$unpacked/PKD/pkd.exe")"
  end_group "release_zip_$arch"
done

# One copy per machine whatever the width: the same version of the other
# width replaces the installed one, in either order.
pf_of() { if [ "$1" = x86 ]; then echo "Program Files (x86)"; else echo "Program Files"; fi; }
if [ $# -ge 2 ]; then
  for pair in "$1 $2" "$2 $1"; do
    read -r a b <<<"$pair"
    echo "=== release: $a then $b of $version"
    first=$out/pkd-$version-$a.msi second=$out/pkd-$version-$b.msi
    expect "msiexec /i $first /qn" wine msiexec /i "$(winpath "$first")" /qn
    expect "msiexec /i $second /qn" wine msiexec /i "$(winpath "$second")" /qn
    expect "one Add/Remove Programs entry" test "$(arp_entries)" = "$version ZELNOR"
    expect "the $b files in C:\\$(pf_of "$b")" same_files "$state/prefix/drive_c/$(pf_of "$b")/ZELNOR/PKD" "$out/stage/$b/PKD"
    expect "no $a files left" test ! -e "$state/prefix/drive_c/$(pf_of "$a")/ZELNOR"
    lnk=$(shortcuts)
    expect "one shortcut, to the $b pkd.exe" test "$(echo "$lnk" | grep -c .)" = 1
    expect "  ... naming C:\\$(pf_of "$b")\\ZELNOR\\PKD\\pkd.exe" grep -aqF "C:\\$(pf_of "$b")\\ZELNOR\\PKD\\pkd.exe" "$lnk"
    expect "msiexec /x $second /qn" wine msiexec /x "$(winpath "$second")" /qn
    expect "nothing left" test -z "$(arp_entries)$(shortcuts)"
  done
  end_group release_msi_cross_width
fi

[ $failures = 0 ]
