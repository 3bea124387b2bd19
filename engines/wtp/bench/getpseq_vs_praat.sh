#!/bin/sh
# Times the whole road, VtrWtp_GetPSeq (BM_GetPSeq of vtr_wtp_engine_benchmark), on 2, 8, 20
# and 60 s of synthetic speech at 16000 Hz for one or more builds, and Praat's "To Pitch (ac)"
# on the same wave files in the same run, length by length, so that every figure of a row was
# taken within seconds of the others. Ours: the fastest and the median of the repetitions;
# Praat's: the fastest and the median of as many runs inside one Praat process (reading the file
# not counted). Praat and the memory runs take, for every build, the wave that the first build
# whose benchmark leaves its waves wrote (an older build's may not), so that all rows of a length
# measure the same recording. The machine's load average is printed before and after. Praat is
# optional, not a dependency of the project (Debian: apt-get install praat).
#
#   engines/wtp/bench/getpseq_vs_praat.sh [--runs N] [--memory] [--callgrind] [BUILD...]
#
# BUILD     a build folder holding bench/vtr_wtp_engine_benchmark (default: build); give two
#           to compare them (before and after a change)
# --runs    repetitions of each measurement (default 9)
# --memory  also the peak resident memory of the host process and of the recogniser for each
#           length (GNU time's %M: the host's figure is that of its process tree, at least the
#           recogniser's), from one run of bench/vtr_wtp_getpseq_once
# --callgrind  also the instructions of the host process and of the recogniser for 20 s (one
#           run of vtr_wtp_getpseq_once under callgrind): a figure that load does not move
set -u
here=$(cd "$(dirname "$0")/../../.." && pwd)
runs=9
memory=0
callgrind=0
builds=""
while [ $# -gt 0 ]; do
  case "$1" in
    --runs) runs=$2; shift 2 ;;
    --memory) memory=1; shift ;;
    --callgrind) callgrind=1; shift ;;
    *) builds="$builds $(cd "$1" && pwd)"; shift ;;
  esac
done
[ -n "$builds" ] || builds=$here/build
lengths="2 8 20 60"
rate=16000

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
build_count=0
for build in $builds; do
  build_count=$((build_count + 1))
  [ -x "$build/bench/vtr_wtp_engine_benchmark" ] ||
    { echo "no benchmark in $build (build vtr_wtp_engine_benchmark first)" >&2; exit 2; }
done
have_praat=0
command -v praat >/dev/null 2>&1 && have_praat=1

cat > "$work/time_pitch.praat" <<'PRAAT'
form Time To Pitch (ac)
  sentence file
  natural runs 9
endform
sound = Read from file: file$
times# = zero# (runs)
for run to runs
  selectObject: sound
  stopwatch
  pitch = To Pitch (ac): 0, 75, 15, "no", 0.03, 0.45, 0.01, 0.35, 0.14, 600
  times# [run] = stopwatch
  removeObject: pitch
endfor
sorted# = sort# (times#)
writeInfoLine: fixed$ (sorted# [1] * 1000, 2), " ", fixed$ (sorted# [(runs + 1) div 2] * 1000, 2)
PRAAT

# ours BUILD INDEX SECONDS: "fastest median" of BM_GetPSeq [ms]; the waves go to $work/INDEX.
ours() {
  mkdir -p "$work/$2"
  TMPDIR=$work/$2 "$1/bench/vtr_wtp_engine_benchmark" --benchmark_filter="BM_GetPSeq/$3/$rate/" \
    --benchmark_repetitions="$runs" --benchmark_report_aggregates_only=true --benchmark_format=csv \
    2>/dev/null > "$work/ours.csv" || { echo "- -"; return; }
  awk -F, -v min="\"BM_GetPSeq/$3/$rate/real_time_min\"" -v med="\"BM_GetPSeq/$3/$rate/real_time_median\"" \
    '$1 == min { m = $3 } $1 == med { d = $3 }
     END { printf "%s %s\n", m == "" ? "-" : sprintf("%.2f", m), d == "" ? "-" : sprintf("%.2f", d) }' \
    "$work/ours.csv"
}

# wave SECONDS: the base name (without .wav) of the wave of that length every build is measured
# on, or nothing.
wave() {
  for index in $(seq 1 "$build_count"); do
    base=$work/$index/vtr_wtp_benchmark/speech_${1}s_$rate
    if [ -f "$base.wav" ]; then
      echo "$base"
      return
    fi
  done
}

echo "load average before: $(cut -d' ' -f1-3 /proc/loadavg) ($(nproc) processors)"
printf '%-6s %-28s %10s %10s %10s %10s %8s\n' "length" "build" "ours min" "ours med" "Praat min" "Praat med" "ratio"
for seconds in $lengths; do
  index=0
  for build in $builds; do
    index=$((index + 1))
    set -- $(ours "$build" "$index" "$seconds")
    eval "our_min_$index=\$1 our_median_$index=\$2"
  done
  base=$(wave "$seconds")
  index=0
  for build in $builds; do
    index=$((index + 1))
    eval "our_min=\$our_min_$index our_median=\$our_median_$index"
    praat_min="-"
    praat_median="-"
    ratio="-"
    if [ "$have_praat" = 1 ] && [ -n "$base" ]; then
      set -- $(praat --run "$work/time_pitch.praat" "$base.wav" "$runs" 2>/dev/null)
      praat_min=$1
      praat_median=$2
      ratio=$(awk -v a="$our_median" -v b="$praat_median" 'BEGIN { if (a != "-" && b > 0) printf "%.2f", a / b; else print "-" }')
    fi
    printf '%-6s %-28s %10s %10s %10s %10s %8s\n' "${seconds} s" "$(basename "$(dirname "$build")")/$(basename "$build")" \
      "$our_min" "$our_median" "$praat_min" "$praat_median" "$ratio"
  done
done
echo "load average after: $(cut -d' ' -f1-3 /proc/loadavg)"
[ "$have_praat" = 1 ] || echo "praat is not installed: only our figures are shown"
echo "ratio: our median / Praat's median on the same wave (below 1: ours is faster)"

# A copy of the build's recogniser folder whose program runs under GNU time.
timed_recogniser() {
  folder=$work/timed_recogniser
  rm -rf "$folder"
  mkdir -p "$folder"
  cp "$1/dist/Plugin/Julius/hmmdefs" "$folder/"
  cat > "$folder/julius" <<EOF
#!/bin/sh
exec /usr/bin/time -f %M -o "$work/recogniser.rss" "$1/dist/Plugin/Julius/julius" "\$@"
EOF
  chmod +x "$folder/julius"
  echo "$folder"
}

if [ "$memory" = 1 ]; then
  echo
  printf '%-6s %-28s %14s %18s\n' "length" "build" "host [KB]" "recogniser [KB]"
  for seconds in $lengths; do
    index=0
    for build in $builds; do
      index=$((index + 1))
      base=$(wave "$seconds")
      [ -n "$base" ] || continue
      rm -f "$work/recogniser.rss"
      folder=$(timed_recogniser "$build")
      host=$(/usr/bin/time -f %M "$build/bench/vtr_wtp_getpseq_once" "$base.wav" "$base.txt" \
        --recogniser "$folder" 2>&1 >/dev/null | tail -1)
      printf '%-6s %-28s %14s %18s\n' "${seconds} s" "$(basename "$(dirname "$build")")/$(basename "$build")" \
        "$host" "$(cat "$work/recogniser.rss" 2>/dev/null || echo -)"
    done
  done
fi

if [ "$callgrind" = 1 ]; then
  echo
  printf '%-6s %-28s %16s %16s\n' "length" "build" "host [Ir]" "recogniser [Ir]"
  index=0
  for build in $builds; do
    index=$((index + 1))
    base=$(wave 20)
    [ -n "$base" ] || continue
    rm -f "$work"/callgrind.*
    valgrind --tool=callgrind --trace-children=yes --callgrind-out-file="$work/callgrind.%p" \
      "$build/bench/vtr_wtp_getpseq_once" "$base.wav" "$base.txt" \
      --recogniser "$build/dist/Plugin/Julius" >/dev/null 2>&1
    host=-
    recogniser=-
    for out in "$work"/callgrind.*; do
      total=$(awk '/^(summary|totals):/ { print $2; exit }' "$out")
      case "$(grep -m1 '^cmd:' "$out")" in
        *julius*) recogniser=$total ;;
        *getpseq_once*) [ "$host" = - ] || [ "$total" -gt "$host" ] && host=$total ;;
      esac
    done
    printf '%-6s %-28s %16s %16s\n' "20 s" "$(basename "$(dirname "$build")")/$(basename "$build")" "$host" "$recogniser"
  done
fi
