#!/bin/sh
# Installs the build into a temporary prefix, then checks what the installed
# programs rely on: the program folder as in dist/, the programs started by
# name from bin/ running from that folder (their companions are found from
# the file they run), the generator there compiling a project, Setup.ini's
# editor there, the menu entries (starting the programs by their full path),
# icons, the udev rule, the manual pages and the licence files. The prefix
# has a blank in its name, as a home folder may.
#   install_test.sh BUILD_DIR EXAMPLES_DIR DESKTOP_FILE_VALIDATE
set -eu
build=$1 examples=$2 validate=$3

. "$(dirname "$0")/common.sh"
# Spelled as /proc/<pid>/exe spells it, links resolved.
work=$(cd "$work" && pwd -P)
prefix="$work/voice tools"
folder=$prefix/lib/voice-toolchain

cmake --install "$build" --prefix "$prefix" >/dev/null

for program in lyrasm fuselok bin/tessor; do
    [ -f "$folder/$program" ] && [ -x "$folder/$program" ] || fail "no program $folder/$program"
done
for file in Setup.ini doc/lyrasm.html doc/fuselok.html lib/udev/rules.d/60-fuselok.rules; do
    case $file in lib/*) path=$prefix/$file ;; *) path=$folder/$file ;; esac
    [ -f "$path" ] || fail "no file $path"
done
rule=$prefix/lib/udev/rules.d/60-fuselok.rules
for access in 'TAG+="uaccess"' 'MODE="0660"' 'GROUP="plugdev"'; do
    grep -qF "$access" "$rule" || fail "the rule lacks $access"
done

# The folder of the file a program started by name runs, as the program itself
# reads it from /proc/self/exe. The program is stopped after a second in which
# it must not have ended (a library not found, a crash at start).
mkdir -m 700 "$work/run"
folder_of_started() {
    FUSELOK_STANDIN=1 QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR=$work/run \
        "$prefix/bin/$1" >"$work/$1.log" 2>&1 &
    pid=$!
    exe=""
    tries=0
    while [ $tries -lt 100 ]; do
        exe=$(readlink "/proc/$pid/exe" 2>/dev/null || true)
        case $exe in "$prefix"/*) break ;; esac
        sleep 0.1
        tries=$((tries + 1))
    done
    sleep 1
    kill "$pid" 2>/dev/null || fail "$1 ended at start: $(cat "$work/$1.log")"
    wait "$pid" 2>/dev/null || true
    dirname "$exe"
}
[ "$(folder_of_started lyrasm)" = "$folder" ] || fail "lyrasm does not run from $folder"
[ "$(folder_of_started fuselok)" = "$folder" ] || fail "fuselok does not run from $folder"

# The editor's generator: <folder>bin/tessor, compiling the example project.
cp -R "$examples" "$work/project"
(cd "$work/project" && "$folder/bin/tessor" demo.log demo.data >/dev/null) ||
    fail "$folder/bin/tessor does not compile the example"
[ -s "$work/project/demo.data" ] || fail "no image from $folder/bin/tessor"
[ "$prefix/bin/tessor" -ef "$folder/bin/tessor" ] || fail "bin/tessor is not $folder/bin/tessor"

# The writer control's Setup.ini beside it names the installed editor.
editor=$(sed -n 's/^Editor=//p' "$folder/Setup.ini" | tr -d '\r')
[ -n "$editor" ] && [ "$folder/$editor" -ef "$folder/lyrasm" ] ||
    fail "Setup.ini's editor '$editor' is not $folder/lyrasm"

for program in lyrasm fuselok; do
    entry=$prefix/share/applications/$program.desktop
    "$validate" "$entry" || fail "$entry does not validate"
    # Quoted for the blank in the prefix.
    grep -qxF "Exec=\"$prefix/bin/$program\"" "$entry" && grep -qx "Icon=$program" "$entry" ||
        fail "$entry does not start $prefix/bin/$program with its icon"
    for size in 16 48 256; do
        icon=$prefix/share/icons/hicolor/${size}x$size/apps/$program.png
        [ -s "$icon" ] || fail "no icon $icon"
    done
done

for program in tessor lyrasm fuselok; do
    page=$prefix/share/man/man1/$program.1.gz
    title=$(echo "$program" | tr a-z A-Z)
    gzip -dc "$page" 2>/dev/null | grep -q "^\.TH $title 1 " || fail "no manual page $page"
done

doc=$prefix/share/doc/voice-toolchain
grep -qx 'Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' "$doc/copyright" &&
    grep -qx 'License: Expat' "$doc/copyright" &&
    grep -qx ' Permission is hereby granted, free of charge, to any person obtaining a copy' "$doc/copyright" ||
    fail "$doc/copyright does not give the licence"
gzip -dc "$doc/changelog.gz" 2>/dev/null | grep -q '^voice-toolchain (' || fail "no changelog $doc/changelog.gz"
[ -s "$doc/README.md" ] || fail "no README in $doc"
echo "installed layout checked under $prefix"
