#!/bin/sh
# Loading and reduction side by side with the peer tools, in one run.
#
#   bench/compare.sh [--loads] [--reductions] [--meshes "horse head rs1 horse_loop2"]
#                    [--percents "50 90"] [--runs N]
#
# Needs the meshes and peer tools that ../shared/yardsticks/get-large.sh makes
# (LARGE, default /tmp/large; YARDSTICKS, default /tmp/bench-build) and our
# Release build (VOREVER, default build/bench/bin/vorever: `make bench`).
# Without --loads or --reductions it measures both.
#
# Each line gives seconds and peak resident memory, ours beside the peer's,
# and ours / peer. Times are medians of N runs (default 1); memory is the
# largest peak of those runs.
# - load: `vorever --batch FILE` ("load seconds") against assimp's ReadFile
#   (`xload`), for the text and the 32-bit binary .x of each mesh. The same
#   runs save the file again in its own format (--export, text or binary):
#   "save seconds" is given beside, and our peak memory covers the save too.
# - reduce: `vorever --batch MESH_bin32.x --reduce P` ("reduce seconds": the
#   connectivity build, the contraction and the write-back) against
#   OpenMesh's quadric decimater, CGAL's Garland-Heckbert and meshoptimizer
#   (`simplify`: the simplification call alone) at the same share of faces,
#   with faces out and the surface error of each result (`meshdist`:
#   symmetric Hausdorff and RMS distance over the bounding-box diagonal).
#   Our memory is also given per input face.
set -eu

HERE=$(cd "$(dirname "$0")" && pwd)
LARGE=${LARGE:-/tmp/large}
YARDSTICKS=${YARDSTICKS:-/tmp/bench-build}
VOREVER=${VOREVER:-$HERE/../build/bench/bin/vorever}
MESHES="horse head rs1 horse_loop2"
PERCENTS="50 90"
RUNS=1
LOADS=0
REDUCTIONS=0
while [ $# -gt 0 ]; do
    case $1 in
        --loads) LOADS=1 ;;
        --reductions) REDUCTIONS=1 ;;
        --meshes) MESHES=$2; shift ;;
        --percents) PERCENTS=$2; shift ;;
        --runs) RUNS=$2; shift ;;
        *) echo "usage: $0 [--loads] [--reductions] [--meshes LIST] [--percents LIST] [--runs N]" >&2; exit 2 ;;
    esac
    shift
done
[ $LOADS = 0 ] && [ $REDUCTIONS = 0 ] && LOADS=1 && REDUCTIONS=1

for tool in "$VOREVER" "$YARDSTICKS/xload" "$YARDSTICKS/simplify" "$YARDSTICKS/meshdist"; do
    [ -x "$tool" ] || { echo "$tool is missing: run make bench and ../shared/yardsticks/get-large.sh" >&2; exit 1; }
done
TIMER=/usr/bin/time
[ -x $TIMER ] || { echo "$TIMER is missing (Debian package time)" >&2; exit 1; }

WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT INT TERM

# field KEY FILE: the value of "KEY=value" or "KEY: value" in FILE.
field() { sed -n "s/.*\\b$1[=:] *\\([^ ]*\\).*/\\1/p" "$2" | head -n 1; }
median() { sort -g | awk '{v[NR]=$1} END {if (NR) print v[int((NR+1)/2)]; else print "nan"}'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b + 0 > 0) printf "%.2f", a / b; else print "-" }'; }
mb() { awk -v k="$1" 'BEGIN { printf "%.0f", k / 1024 }'; }

# measure OUT SECONDS-KEY COMMAND...: runs COMMAND RUNS times; sets SECS (median of
# the SECONDS-KEY values it prints), SAVE_SECS (median of its "save seconds", nan
# when it prints none) and KB (largest peak resident memory).
measure() {
    out=$1 key=$2
    shift 2
    : > "$WORK/secs"
    : > "$WORK/saves"
    KB=0
    i=0
    while [ $i -lt "$RUNS" ]; do
        if ! $TIMER -f 'peak_kb=%M' -o "$WORK/time" "$@" > "$out" 2> "$WORK/stderr"; then
            echo "failed: $*" >&2
            tail -n 5 "$WORK/stderr" >&2
            SECS=nan
            return 1
        fi
        field "$key" "$out" >> "$WORK/secs"
        field "save seconds" "$out" >> "$WORK/saves"
        kb=$(field peak_kb "$WORK/time")
        [ "$kb" -gt "$KB" ] && KB=$kb
        i=$((i + 1))
    done
    SECS=$(median < "$WORK/secs")
    SAVE_SECS=$(median < "$WORK/saves")
}

if [ $LOADS = 1 ]; then
    echo "## load (seconds, peak MB; ratio = ours / assimp; ours_save_s: our save of the loaded file)"
    printf '%-24s %8s %11s %8s %7s %8s %8s %7s\n' file ours_s ours_save_s assimp_s ratio ours_MB assimp_MB ratio
    for m in $MESHES; do
        for f in txt bin32; do
            file=$LARGE/${m}_$f.x
            [ -s "$file" ] || { echo "missing $file" >&2; continue; }
            format=binary
            [ $f = txt ] && format=text
            measure "$WORK/ours" "load seconds" "$VOREVER" --batch "$file" --export "$WORK/saved.x" --format $format ||
                continue
            ours_s=$SECS ours_save_s=$SAVE_SECS ours_kb=$KB
            measure "$WORK/peer" load_s_median "$YARDSTICKS/xload" "$file" 1 || continue
            printf '%-24s %8s %11s %8s %7s %8s %8s %7s\n' "${m}_$f.x" "$ours_s" "$ours_save_s" "$SECS" \
                "$(ratio "$ours_s" "$SECS")" "$(mb "$ours_kb")" "$(mb "$KB")" "$(ratio "$ours_kb" "$KB")"
        done
    done
    echo
fi

if [ $REDUCTIONS = 1 ]; then
    echo "## reduce (seconds, peak MB, faces out, surface error / diagonal; ratio = ours / peer)"
    printf '%-12s %4s %-9s %8s %7s %8s %7s %9s %10s %10s\n' mesh pct tool seconds ratio peak_MB B/face faces_out hausdorff rms
    for m in $MESHES; do
        file=$LARGE/${m}_bin32.x
        [ -s "$file" ] || { echo "missing $file" >&2; continue; }
        for p in $PERCENTS; do
            keep=$(awk -v p="$p" 'BEGIN { printf "%g", 1 - p / 100 }')
            ours=$WORK/ours_${m}_$p.x
            measure "$WORK/ours" "reduce seconds" "$VOREVER" --batch "$file" --reduce "$p" \
                --export "$ours" --format binary || continue
            ours_s=$SECS ours_kb=$KB
            faces_in=$(field triangles "$WORK/ours")
            faces_out=$(field "reduced triangles" "$WORK/ours")
            "$YARDSTICKS/meshdist" "$file" "$ours" > "$WORK/dist"
            per_face=$(awk -v k="$ours_kb" -v f="$faces_in" 'BEGIN { printf "%.0f", k * 1024 / f }')
            line_ours=$(printf '%-12s %4s %-9s %8s %7s %8s %7s %9s %10s %10s' "$m" "$p" ours "$ours_s" 1.00 \
                "$(mb "$ours_kb")" "$per_face" "$faces_out" "$(field hausdorff "$WORK/dist")" "$(field rms "$WORK/dist")")
            echo "$line_ours"
            for tool in openmesh cgal meshopt; do
                rm -rf "$WORK/peer_out"
                measure "$WORK/peer" seconds_median "$YARDSTICKS/simplify" "$file" --ratios "$keep" --tools "$tool" \
                    --runs 1 --out "$WORK/peer_out" || continue
                result=$(field out "$WORK/peer")
                "$YARDSTICKS/meshdist" "$file" "$result" > "$WORK/dist"
                printf '%-12s %4s %-9s %8s %7s %8s %7s %9s %10s %10s\n' "$m" "$p" "$tool" "$SECS" \
                    "$(ratio "$ours_s" "$SECS")" "$(mb "$KB")" - "$(field faces_out "$WORK/peer")" \
                    "$(field hausdorff "$WORK/dist")" "$(field rms "$WORK/dist")"
            done
        done
    done
fi
