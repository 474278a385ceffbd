#!/bin/sh
# Makes the Debian package of the build with cpack and checks what only the
# package carries: the dependencies on the windows' fonts, Setup.ini as a
# configuration file, a maintainer other than root, a description beyond its
# summary line, and programs without symbols.
#   package_test.sh BUILD_DIR
set -eu
build=$1

. "$(dirname "$0")/common.sh"

cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work" >"$work/cpack.log" 2>&1 ||
    fail "cpack: $(cat "$work/cpack.log")"
set -- "$work"/*.deb
[ -f "$1" ] || fail "no package in $work"
deb=$1

depends=$(dpkg-deb -f "$deb" Depends)
for font in fonts-dejavu-core fonts-dejavu-extra; do
    case ", $depends," in *", $font,"*) ;; *) fail "Depends lacks $font: $depends" ;; esac
done

dpkg-deb --ctrl-tarfile "$deb" | tar -xOf - ./conffiles 2>/dev/null |
    grep -qx /etc/voice-toolchain/Setup.ini || fail "Setup.ini is not a conffile"

maintainer=$(dpkg-deb -f "$deb" Maintainer)
case $maintainer in *root* | *localhost*) fail "Maintainer is $maintainer" ;; esac

[ "$(dpkg-deb -f "$deb" Description | wc -l)" -gt 2 ] || fail "the description is its summary alone"

dpkg-deb -x "$deb" "$work/root"
for program in lyrasm fuselok bin/tessor; do
    file=$work/root/usr/lib/voice-toolchain/$program
    [ -f "$file" ] || fail "no program $file"
    readelf -S "$file" | grep -q '\.symtab' && fail "$file keeps its symbols"
done
echo "package checked: $deb"
