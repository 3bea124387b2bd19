#!/bin/sh
# Times our pitch and power analysis of 20 s of synthetic speech at 16000, 22050 and 44100 Hz
# (BM_PitchAnalysis20s, median of the repetitions) and, where praat is installed, Praat's
# "To Pitch (ac)" on the same wave files in the same run (fastest of the runs, reading the file
# not counted), and prints the ratio. Optional: praat is not a dependency of the project.
#   engines/wtp/bench/pitch_vs_praat.sh [benchmark program] [runs]
set -u
here=$(cd "$(dirname "$0")/../../.." && pwd)
program=${1:-$here/build/bench/vtr_pitch_analyzer_benchmark}
runs=${2:-7}
[ -x "$program" ] || { echo "no benchmark at $program (build vtr_pitch_analyzer_benchmark first)" >&2; exit 2; }
rates="16000 22050 44100"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# The benchmark leaves the waves it analyses in $TMPDIR/vtr_pitch_benchmark.
filter=$(echo $rates | sed 's/ /|/g')
TMPDIR=$work "$program" --benchmark_filter="BM_PitchAnalysis20s/($filter)\$" \
  --benchmark_repetitions="$runs" --benchmark_report_aggregates_only=true --benchmark_format=csv \
  2>/dev/null > "$work/ours.csv" || { echo "the benchmark failed" >&2; exit 1; }

cat > "$work/time_pitch.praat" <<'PRAAT'
form Time To Pitch (ac)
  sentence file
  natural runs 7
endform
sound = Read from file: file$
best = 1e9
for run to runs
  selectObject: sound
  stopwatch
  pitch = To Pitch (ac): 0, 75, 15, "no", 0.03, 0.45, 0.01, 0.35, 0.14, 600
  elapsed = stopwatch
  removeObject: pitch
  if elapsed < best
    best = elapsed
  endif
endfor
writeInfoLine: fixed$ (best * 1000, 2)
PRAAT

printf '%-8s %12s %12s %8s\n' "rate" "ours [ms]" "Praat [ms]" "ratio"
for rate in $rates; do
  ours=$(awk -F, -v name="\"BM_PitchAnalysis20s/$rate""_median\"" '$1 == name { print $3 }' "$work/ours.csv")
  praat_ms="-"
  ratio="-"
  if command -v praat >/dev/null 2>&1; then
    praat_ms=$(praat --run "$work/time_pitch.praat" "$work/vtr_pitch_benchmark/speech_$rate.wav" "$runs" 2>/dev/null)
    ratio=$(awk -v a="$ours" -v b="$praat_ms" 'BEGIN { if (b > 0) printf "%.2f", a / b; else print "-" }')
  fi
  printf '%-8s %12.2f %12s %8s\n' "$rate" "$ours" "$praat_ms" "$ratio"
done
command -v praat >/dev/null 2>&1 || echo "praat is not installed: only our figures are shown"
echo "ratio: our time / Praat's time (below 1: ours is faster)"
