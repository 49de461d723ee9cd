#!/bin/sh
# The progressive-mesh generator beside CGAL's Garland-Heckbert and OpenMesh's
# quadric decimater, in one run.
#
#   bench/pmesh_compare.sh [--meshes "horse head rs1 horse_loop2"] [--percents "50 10 1"]
#                          [--placement optimal|halfedge] [--samples 200000]
#
# Needs the meshes and tools of ../shared/yardsticks/get-large.sh (LARGE,
# default /tmp/large; YARDSTICKS, default /tmp/bench-build) and bench_pmesh
# of the Release build (BENCH_PMESH, default build/bench/bin/bench_pmesh:
# `make bench`).
#
# Ours: one generation of every level (seconds), then the level at each share
# of the faces; the peers simplify to each share anew (seconds of each). The
# surface error (meshdist: symmetric Hausdorff and RMS distance over the
# bounding-box diagonal, from --samples points a side) of each result against
# its source; time and error ratios are ours / peer. Also the time of a 1 %
# level change and the memory of the progressive mesh over that of the plain
# mesh with its adjacency.
set -eu

HERE=$(cd "$(dirname "$0")" && pwd)
LARGE=${LARGE:-/tmp/large}
YARDSTICKS=${YARDSTICKS:-/tmp/bench-build}
BENCH_PMESH=${BENCH_PMESH:-$HERE/../build/bench/bin/bench_pmesh}
MESHES="horse head rs1 horse_loop2"
PERCENTS="50 10 1"
PLACEMENT=optimal
SAMPLES=200000
while [ $# -gt 0 ]; do
    case $1 in
        --meshes) MESHES=$2; shift ;;
        --percents) PERCENTS=$2; shift ;;
        --placement) PLACEMENT=$2; shift ;;
        --samples) SAMPLES=$2; shift ;;
        *) echo "usage: $0 [--meshes LIST] [--percents LIST] [--placement optimal|halfedge] [--samples N]" >&2
           exit 2 ;;
    esac
    shift
done
for tool in "$BENCH_PMESH" "$YARDSTICKS/simplify" "$YARDSTICKS/meshdist"; do
    [ -x "$tool" ] || { echo "$tool is missing: run make bench and ../shared/yardsticks/get-large.sh" >&2; exit 1; }
done

WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT INT TERM
field() { sed -n "s/.*\\b$1=\\([^ ]*\\).*/\\1/p" "$2" | head -n 1; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b + 0 > 0) printf "%.2f", a / b; else print "-" }'; }

printf '%-12s %4s %-9s %8s %9s %10s %10s %11s %11s %11s\n' mesh pct tool seconds faces_out hausdorff rms \
    t/cgal hd/cgal rms/cgal
for m in $MESHES; do
    file=$LARGE/${m}_bin32.x
    [ -s "$file" ] || { echo "missing $file" >&2; continue; }
    list=$(echo $PERCENTS | tr ' ' ',')
    "$BENCH_PMESH" "$file" --percents "$list" --out "$WORK" --placement "$PLACEMENT" > "$WORK/ours"
    ours_s=$(field generate_seconds "$WORK/ours")
    for p in $PERCENTS; do
        keep=$(awk -v p="$p" 'BEGIN { printf "%g", p / 100 }')
        ours=$(grep "^percent=$p " "$WORK/ours")
        echo "$ours" > "$WORK/line"
        "$YARDSTICKS/meshdist" "$WORK/${m}_bin32_source.obj" "$(field out "$WORK/line")" "$SAMPLES" > "$WORK/dist_ours"
        for tool in cgal openmesh; do
            rm -rf "$WORK/peer_out"
            "$YARDSTICKS/simplify" "$file" --ratios "$keep" --tools "$tool" --runs 1 --out "$WORK/peer_out" \
                > "$WORK/peer_$tool"
            "$YARDSTICKS/meshdist" "$file" "$(field out "$WORK/peer_$tool")" "$SAMPLES" > "$WORK/dist_$tool"
        done
        cgal_s=$(field seconds_median "$WORK/peer_cgal")
        cgal_h=$(field hausdorff "$WORK/dist_cgal")
        cgal_r=$(field rms "$WORK/dist_cgal")
        h=$(field hausdorff "$WORK/dist_ours") r=$(field rms "$WORK/dist_ours")
        printf '%-12s %4s %-9s %8s %9s %10s %10s %11s %11s %11s\n' "$m" "$p" ours "$ours_s" \
            "$(field faces_out "$WORK/line")" "$h" "$r" "$(ratio "$ours_s" "$cgal_s")" "$(ratio "$h" "$cgal_h")" \
            "$(ratio "$r" "$cgal_r")"
        for tool in cgal openmesh; do
            printf '%-12s %4s %-9s %8s %9s %10s %10s\n' "$m" "$p" "$tool" "$(field seconds_median "$WORK/peer_$tool")" \
                "$(field faces_out "$WORK/peer_$tool")" "$(field hausdorff "$WORK/dist_$tool")" \
                "$(field rms "$WORK/dist_$tool")"
        done
    done
    echo "$m: $(grep level_change "$WORK/ours") $(grep memory_ratio "$WORK/ours")"
done
