#!/bin/sh
# Per-key latency of typing into the script box against a plain FLTK editor, at 0.7, 8 and
# 32 kB, on a private Xvfb server (its own display number, so it runs beside other servers).
#   platform/window/bench/typing_latency.sh [benchmark] [extra benchmark flags...]
set -u
here=$(cd "$(dirname "$0")/../../.." && pwd)
benchmark=${1:-$here/build/bench/vtr_typing_benchmark}
[ $# -gt 0 ] && shift
command -v Xvfb >/dev/null 2>&1 || { echo "Xvfb is not installed" >&2; exit 2; }
[ -x "$benchmark" ] || { echo "no benchmark at $benchmark (build first)" >&2; exit 2; }

work=$(mktemp -d)
trap 'kill $server 2>/dev/null; rm -rf "$work"' EXIT
exec 5>"$work/display"
Xvfb -displayfd 5 -screen 0 640x480x24 -nolisten tcp -noreset >/dev/null 2>&1 &
server=$!
exec 5>&-
i=0; until [ -s "$work/display" ] || [ $i -ge 200 ]; do i=$((i+1)); sleep 0.05; done
[ -s "$work/display" ] || { echo "Xvfb did not start" >&2; exit 3; }
export DISPLAY=:$(cat "$work/display")
mkdir -m 700 "$work/runtime"
export XDG_RUNTIME_DIR="$work/runtime" HOME="$work"
"$benchmark" "$@"
