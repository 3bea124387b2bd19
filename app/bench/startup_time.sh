#!/bin/sh
# Time from starting build/dist/vtr to its first painted window, on a private Xvfb server.
# The window counts as painted once it is viewable and a capture of it holds more than one
# colour (the skin is drawn, not just the empty frame). Prints every run and the median in ms;
# the polling (xwininfo + a capture) adds a few ms to each figure.
#   app/bench/startup_time.sh [program] [runs]
set -u
here=$(cd "$(dirname "$0")/../.." && pwd)
program=${1:-$here/build/dist/vtr}
runs=${2:-7}
for tool in Xvfb xwininfo xwd xwdtopnm; do
  command -v $tool >/dev/null 2>&1 || { echo "$tool is not installed" >&2; exit 2; }
done
[ -x "$program" ] || { echo "no program at $program (build first)" >&2; exit 2; }
program=$(cd "$(dirname "$program")" && pwd)/$(basename "$program")

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -m 700 "$work/runtime"
export XDG_RUNTIME_DIR="$work/runtime"
for n in 81 82 83 84 85 86 87 88; do [ -e /tmp/.X11-unix/X$n ] || break; done
Xvfb :$n -screen 0 640x480x24 -nolisten tcp -noreset >/dev/null 2>&1 &
server=$!
export DISPLAY=:$n
i=0; until [ -e /tmp/.X11-unix/X$n ] || [ $i -ge 200 ]; do i=$((i+1)); sleep 0.05; done

now_ms() { echo $(( $(date +%s%N) / 1000000 )); }

painted() {
  xwininfo -name Voxtrel 2>/dev/null | grep -q 'IsViewable' || return 1
  # More than one distinct pixel value in the window's capture.
  xwd -name Voxtrel -silent 2>/dev/null | xwdtopnm 2>/dev/null | tail -c 20000 |
    od -An -v -tx1 -w3 | sort -u | head -2 | wc -l | grep -q 2
}

times=""
r=0
while [ $r -lt "$runs" ]; do
  r=$((r+1))
  start=$(now_ms)
  (cd "$work" && exec "$program") >/dev/null 2>&1 &
  app=$!
  i=0; until painted || [ $i -ge 2000 ]; do i=$((i+1)); sleep 0.005; done
  end=$(now_ms)
  if [ $i -ge 2000 ]; then
    echo "run $r: no painted window" >&2
    kill $app 2>/dev/null; kill $server 2>/dev/null; exit 1
  fi
  kill $app 2>/dev/null; wait $app 2>/dev/null
  # Wait for the window (and the single-instance lock) to go before the next run.
  i=0; while xwininfo -name Voxtrel >/dev/null 2>&1 && [ $i -lt 200 ]; do i=$((i+1)); sleep 0.02; done
  ms=$((end - start))
  echo "run $r: $ms ms"
  times="$times $ms"
done
kill $server 2>/dev/null; wait $server 2>/dev/null
median=$(printf '%s\n' $times | sort -n | awk '{a[NR]=$1} END {print (NR%2) ? a[(NR+1)/2] : int((a[NR/2]+a[NR/2+1])/2)}')
echo "median time to first painted window: $median ms ($runs runs)"
