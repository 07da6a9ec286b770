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
q() { msibuild "$out" -q "$1"; }
q "UPDATE \`Shortcut\` SET \`Description\` = 'Wybór kodu Polskiej Klasyfikacji Działalności' WHERE \`Shortcut\` = 'PkdShortcut'"

# The rest wixl cannot express.
# One copy per machine: the same version of the other width is replaced too
# (the upper bound of the older versions found is made inclusive).
# Attributes is part of the row's key, so the row is made anew.
upgrade_code=$(sed -n 's/.*UpgradeCode="\([^"]*\)".*/\1/p' "$here/pkd.wxs")
q "DELETE FROM \`Upgrade\` WHERE \`ActionProperty\` = 'WIX_UPGRADE_DETECTED'"
q "INSERT INTO \`Upgrade\` (\`UpgradeCode\`, \`VersionMax\`, \`Attributes\`, \`ActionProperty\`) VALUES ('{$upgrade_code}', '$version', 513, 'WIX_UPGRADE_DETECTED')"

# The folder and the version the last install wrote (pkd.wxs), read back as
# they are (raw). The folder from the package's own registry view; the
# version from both, since either width may be installed.
own=2; [ "$arch" = x64 ] && own=18
key='Software\ZELNOR\PKD'
q "INSERT INTO \`RegLocator\` (\`Signature_\`, \`Root\`, \`Key\`, \`Name\`, \`Type\`) VALUES ('PkdRememberedDir', 2, '$key', 'InstallDir', $own)"
q "INSERT INTO \`RegLocator\` (\`Signature_\`, \`Root\`, \`Key\`, \`Name\`, \`Type\`) VALUES ('PkdVersion64', 2, '$key', 'Version', 18)"
q "INSERT INTO \`RegLocator\` (\`Signature_\`, \`Root\`, \`Key\`, \`Name\`, \`Type\`) VALUES ('PkdVersion32', 2, '$key', 'Version', 2)"
q "INSERT INTO \`AppSearch\` (\`Property\`, \`Signature_\`) VALUES ('PKDREMEMBEREDDIR', 'PkdRememberedDir')"
q "INSERT INTO \`AppSearch\` (\`Property\`, \`Signature_\`) VALUES ('PKDINSTALLED64', 'PkdVersion64')"
q "INSERT INTO \`AppSearch\` (\`Property\`, \`Signature_\`) VALUES ('PKDINSTALLED32', 'PkdVersion32')"

# Custom actions: 51 sets a property to a formatted text, 19 fails the
# install with one. An INSTALLDIR given on the command line wins over the
# remembered one; Add/Remove Programs learns the folder once it is final.
ca() { q "INSERT INTO \`CustomAction\` (\`Action\`, \`Type\`, \`Source\`, \`Target\`) VALUES ('$1', $2, '$3', '$4')"; }
# The downgrade's message is formatted into a property first: a verbose log
# lists it then even where the installer logs no error text (Wine's shows it
# only in a message box).
ca PkdDowngradeMessage 51 PKDDOWNGRADEMESSAGE 'Zainstalowana jest już nowsza wersja programu [ProductName]: [PKDINSTALLED64][PKDINSTALLED32]. Wersja [ProductVersion] nie zastąpi jej; aby ją zainstalować, najpierw odinstaluj tamtą.'
ca PkdRefuseDowngrade 19 '' '[PKDDOWNGRADEMESSAGE]'
ca PkdRememberDir 51 INSTALLDIR '[PKDREMEMBEREDDIR]'
ca PkdInstallLocation 51 ARPINSTALLLOCATION '[INSTALLDIR]'
step() {  # step TABLE ACTION CONDITION SEQUENCE
  q "INSERT INTO \`$1\` (\`Action\`, \`Condition\`, \`Sequence\`) VALUES ('$2', '$3', $4)"
}
for table in InstallUISequence InstallExecuteSequence; do
  step $table AppSearch '' 50
  step $table PkdDowngradeMessage WIX_DOWNGRADE_DETECTED 59
  step $table PkdRefuseDowngrade WIX_DOWNGRADE_DETECTED 60
  step $table PkdRememberDir 'PKDREMEMBEREDDIR AND NOT INSTALLDIR' 990
done
step InstallExecuteSequence PkdInstallLocation '' 1001
q "UPDATE \`Property\` SET \`Value\` = 'WIX_DOWNGRADE_DETECTED;WIX_UPGRADE_DETECTED;INSTALLDIR' WHERE \`Property\` = 'SecureCustomProperties'"
q "UPDATE \`LaunchCondition\` SET \`Description\` = 'Zainstalowana jest już nowsza wersja programu [ProductName].' WHERE \`Condition\` = 'NOT WIX_DOWNGRADE_DETECTED'"

# The programs' versions, for inventory tools and the installer's rules.
for exe in pkd.exe pkdpick.exe pkdmap.exe; do
  q "UPDATE \`File\` SET \`Version\` = '$(python3 "$here/msifix.py" version "$stage/$exe")', \`Language\` = '1045' WHERE \`File\` = '$exe'"
done

# Last: msibuild rewrites the summary from its own copy. wixl stores its
# texts as UTF-8; Windows reads them in the summary's code page.
python3 "$here/msifix.py" summary "$out" 1250 "subject=$product $version ($arch)" \
  "comments=Wybór kodu Polskiej Klasyfikacji Działalności"
