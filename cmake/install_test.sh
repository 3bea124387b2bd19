#!/bin/sh
# Installs the build into a scratch prefix (with a space in its name) and checks the install as a
# person meets it: the program folder holds exactly what build/dist holds, bin/vtr leads to the
# program, the desktop entry passes desktop-file-validate, every icon is a PNG of its folder's
# size. Then the install is made read-only and the program is started on a private Xvfb server
# through the entry's Exec line from another current folder: its window shows, it and the dialog
# library it loads for Ctrl+W come from the install, and nothing in the install changed.
#   install_test.sh BUILD_DIR DIST_DIR DESKTOP_NAME PROGRAM_DIR ICON_DIR
# Ends with 77 (skipped) when a tool it needs is missing.
set -u
build=$1 dist=$2 name=$3 program_dir=$4 icon_dir=$5

for tool in cmake desktop-file-validate pngtopam pamfile Xvfb xwininfo xdotool; do
  command -v $tool >/dev/null 2>&1 || { echo "SKIP: $tool is not installed"; exit 77; }
done

work="$build/tests/vtr_install_test"
prefix="$work/pre fix"
server=""
app=""
finish() {
  [ -n "$app" ] && kill "$app" 2>/dev/null
  [ -n "$server" ] && kill "$server" 2>/dev/null
  wait 2>/dev/null
  [ -d "$work" ] && chmod -R u+w "$work" && rm -rf "$work"
}
trap finish EXIT
fail() { echo "FAIL: $*"; exit 1; }

if [ -d "$work" ]; then chmod -R u+w "$work" && rm -rf "$work"; fi
mkdir -p "$work/elsewhere" "$work/home" "$work/runtime" && chmod 700 "$work/runtime"

cmake --install "$build" --prefix "$prefix" >"$work/install.log" 2>&1 ||
  fail "cmake --install failed: $(cat "$work/install.log")"

# The program folder, file for file and byte for byte.
folder="$prefix/$program_dir"
listing() { (cd "$1" && find . \( -type f -o -type l \) | LC_ALL=C sort); }
[ "$(listing "$dist")" = "$(listing "$folder")" ] ||
  fail "the program folder differs from $dist: $(listing "$dist" >"$work/dist.txt"; listing "$folder" | diff "$work/dist.txt" -)"
listing "$dist" | while read -r file; do
  cmp -s "$dist/$file" "$folder/$file" || { echo "$file"; break; }
done >"$work/changed.txt"
[ -s "$work/changed.txt" ] && fail "installed otherwise than built: $(cat "$work/changed.txt")"
[ -x "$folder/vtr" ] || fail "the program is not executable"

# The launcher.
[ -L "$prefix/bin/vtr" ] || fail "bin/vtr is no link"
[ "$(readlink -f "$prefix/bin/vtr")" = "$(readlink -f "$folder/vtr")" ] || fail "bin/vtr leads elsewhere"

# The desktop entry.
entry="$prefix/share/applications/$name.desktop"
[ -f "$entry" ] || fail "no desktop entry"
desktop-file-validate "$entry" >"$work/validate.log" 2>&1 || fail "desktop-file-validate: $(cat "$work/validate.log")"
grep -qx "Icon=$name" "$entry" || fail "the entry names another icon"

# The icons: each a PNG of its folder's size.
icons=0
for icon in "$prefix/$icon_dir"/*/apps/"$name".png; do
  [ -f "$icon" ] || fail "no icon in $prefix/$icon_dir"
  size=$(basename "$(dirname "$(dirname "$icon")")")
  pngtopam "$icon" 2>/dev/null | pamfile - 2>/dev/null | grep -q "${size%x*} by ${size#*x}" ||
    fail "$icon is no PNG of $size"
  icons=$((icons + 1))
done
[ -f "$prefix/$icon_dir/32x32/apps/$name.png" ] || fail "no 32x32 icon"

# Read-only from here on; as root the permissions do not hold, so the install is also compared
# with itself afterwards.
chmod -R a-w "$prefix"
snapshot() { (cd "$prefix" && find . -printf '%p %y %s %T@ %m\n' | LC_ALL=C sort); }
snapshot >"$work/before.txt"

exec 5>"$work/display.txt"
Xvfb -displayfd 5 -screen 0 640x480x24 -nolisten tcp -noreset >"$work/server.log" 2>&1 &
server=$!
exec 5>&-
i=0; until [ -s "$work/display.txt" ] || [ $i -ge 200 ]; do i=$((i+1)); sleep 0.05; done
[ -s "$work/display.txt" ] || fail "Xvfb did not start"
export DISPLAY=":$(cat "$work/display.txt")" HOME="$work/home" XDG_RUNTIME_DIR="$work/runtime"

# The Exec line as a launcher reads it: string escapes and %% first, then the quoting of its
# arguments.
line=$(sed -n 's/^Exec=//p' "$entry" | sed -e 's/\\\\/\\/g' -e 's/%%/%/g')
cd "$work/elsewhere" || fail "no other folder"
eval "set -- $line"
"$@" >"$work/program.log" 2>&1 &
app=$!

shown() { xwininfo -name "$1" 2>/dev/null | grep -q 'Map State: IsViewable'; }
i=0; until shown Voxtrel || [ $i -ge 400 ]; do
  [ -e "/proc/$app" ] || fail "the program ended: $(cat "$work/program.log")"
  i=$((i+1)); sleep 0.05
done
shown Voxtrel || fail "no window \"Voxtrel\" appeared"
[ "$(readlink -f "/proc/$app/exe")" = "$(readlink -f "$folder/vtr")" ] || fail "another program runs"

# Ctrl+W loads the wave-to-script library from the program's folder.
main=$(xwininfo -name Voxtrel | awk '/Window id:/ {print $4; exit}')
xdotool windowfocus --sync "$main" key --delay 30 ctrl+w
i=0; until shown "Intonation Edit Dialog" || [ $i -ge 400 ]; do i=$((i+1)); sleep 0.05; done
shown "Intonation Edit Dialog" || fail "Ctrl+W opened no dialog"
grep -qF "$folder/Vtr_W2SDlg.so" "/proc/$app/maps" || fail "the dialog library came from elsewhere"
grep -qF "$folder/libvtr_platform.so" "/proc/$app/maps" || fail "the platform library came from elsewhere"
grep -qF "$dist/" "/proc/$app/maps" && fail "something was loaded from the build tree"

kill "$app"; wait "$app" 2>/dev/null; app=""
snapshot >"$work/after.txt"
cmp -s "$work/before.txt" "$work/after.txt" || fail "the program wrote into its install: $(diff "$work/before.txt" "$work/after.txt")"
echo "PASS: installed into $prefix ($icons icons) and started from $work/elsewhere"
