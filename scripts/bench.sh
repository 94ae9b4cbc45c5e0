#!/usr/bin/env bash
# Runs every benchmark and prints one table of ratios (a full run also rewrites the document).
#
# The document is docs/performance.md.
#
#   bash scripts/bench.sh [--smoke] [--seconds N] [--before GIT-REVISION]
#
# --smoke runs everything very briefly (a check that the benchmarks still work, under ~30 s once
#   built); its numbers mean nothing and the document is left alone.
# --seconds sets how long the program and the floor run side by side (default 60).
# --before also times the settings store of an older revision against today's, side by side.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
jobs="${DT_JOBS:-2}"

smoke=0
seconds=60
before=""
while [ $# -gt 0 ]; do
  case "$1" in
    --smoke) smoke=1 ;;
    --seconds) seconds="$2"; shift ;;
    --before) before="$2"; shift ;;
    *) echo "usage: bash scripts/bench.sh [--smoke] [--seconds N] [--before REV]" >&2; exit 2 ;;
  esac
  shift
done

# ---- what the benchmarks need ----
bash scripts/deps.sh
need=()
for p in libinih-dev valgrind libbenchmark-dev; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || need+=("$p")
done
if [ ${#need[@]} -gt 0 ]; then
  SUDO=""
  if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
  echo "Installing: ${need[*]}"
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq "${need[@]}" >/dev/null
fi

# ---- builds ----
log="$root/build/perf-build.log"
mkdir -p build
: >"$log"
build() {  # what, command...
  local what="$1"
  shift
  if ! "$@" >>"$log" 2>&1; then
    echo "bench.sh: building $what failed; see $log" >&2
    tail -20 "$log" >&2
    exit 1
  fi
}

# The native benchmarks, optimised and without sanitizers; inih goes at the end of every link.
build "the native benchmarks (configure)" cmake -S . -B build/perf-native -G Ninja \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DDT_BENCH=ON -DDT_SANITIZE=OFF \
  -DCMAKE_BUILD_TYPE=Release "-DCMAKE_CXX_STANDARD_LIBRARIES=-lINIReader -linih"
build "bench_store_vs_inih" cmake --build build/perf-native -j "$jobs" --target bench_store_vs_inih
have_poll=0
if [ -f bench/bench_monitor_poll.cpp ] &&
   cmake --build build/perf-native -j "$jobs" --target bench_monitor_poll >>"$log" 2>&1; then
  have_poll=1
fi

# The 64-bit program and the rig tools, as scripts/build.sh builds them.
build "the 64-bit program (configure)" cmake -S . -B build/win-x86_64 -G Ninja \
  -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
  -DDT_DIST_DIR="$root/dist/win64"
if ! cmake --build build/win-x86_64 -j "$jobs" >>"$log" 2>&1; then
  [ -f dist/win64/dialtick.exe ] || { echo "bench.sh: the program does not build; see $log" >&2; exit 1; }
  echo "bench.sh: WARNING: the program does not build now; timing the dist/win64 one (see $log)" >&2
fi

# The Windows benchmarks, each on its own.
out="$root/build/perf-win64-out"
for part in profile_bench floor settings_window; do
  build "bench/$part (configure)" cmake -S "bench/$part" -B "build/perf-win64-$part" -G Ninja \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
    -DDT_BENCH_OUT="$out"
  build "bench/$part" cmake --build "build/perf-win64-$part" -j "$jobs"
done

# The store benchmark once more against an older store, for before/after numbers.
old_bench=""
if [ -n "$before" ]; then
  old="$root/build/perf-before"
  rm -rf "$old"
  mkdir -p "$old/src/settings"
  # The store's files of that revision (one file once, three since it was split by concern).
  old_sources=()
  for f in $(git ls-tree --name-only "$before" src/settings/ |
             grep -E '/settings_(store|text|index)\.(h|cpp)$'); do
    git show "$before:$f" >"$old/$f"
    case "$f" in *.cpp) old_sources+=("$old/$f") ;; esac
  done
  build "the store of $before" clang++ -std=c++17 -O3 -DNDEBUG -I"$old/src" -Isrc \
    bench/bench_store_vs_inih.cpp "${old_sources[@]}" src/app/platform.cpp \
    src/app/platform_posix.cpp -o "$old/bench_store_vs_inih" \
    -lbenchmark_main -lbenchmark -lINIReader -linih -lpthread
  old_bench="$old/bench_store_vs_inih"
fi

# ---- runs ----
results="$root/build/perf-results/$(date +%Y%m%d-%H%M%S)"
mkdir -p "$results"
ln -sfn "$results" "$root/build/perf-results/latest"

load_now() { cut -d' ' -f1-3 /proc/loadavg; }
load_before="$(load_now)"

if [ "$smoke" = 1 ]; then
  gb_args=(--benchmark_min_time=0.001 --benchmark_repetitions=1)
  wine_args=(--smoke)
else
  gb_args=(--benchmark_min_time=0.2 --benchmark_repetitions=7
           --benchmark_enable_random_interleaving=true --benchmark_report_aggregates_only=true)
  wine_args=(--seconds "$seconds")
fi

echo "== settings store against inih"
build/perf-native/bench_store_vs_inih "${gb_args[@]}" --benchmark_format=json \
  --benchmark_out="$results/store_vs_inih.json" >/dev/null
if [ -n "$old_bench" ]; then
  # Old and new store in turns, so that both see the same load on the machine.
  echo "== settings store of $before against today's, in turns"
  turns=5
  [ "$smoke" = 1 ] && turns=1
  for i in $(seq "$turns"); do
    for which in before after; do
      exe=build/perf-native/bench_store_vs_inih
      [ "$which" = before ] && exe="$old_bench"
      "$exe" --benchmark_filter='/store/' "${gb_args[0]}" --benchmark_repetitions=1 \
        --benchmark_format=json --benchmark_out="$results/store_${which}_$i.json" >/dev/null
    done
  done
fi

if [ "$have_poll" = 1 ]; then
  echo "== poll path under callgrind"
  valgrind --tool=callgrind --callgrind-out-file="$results/callgrind.out" \
    build/perf-native/bench_monitor_poll --benchmark_min_time=0.01 >/dev/null 2>&1
  python3 scripts/bench_report.py --callgrind "$results/callgrind.out" >"$results/callgrind.jsonl"
else
  echo "== poll path: bench/bench_monitor_poll.cpp does not build; skipped"
fi

echo "== Windows side under Wine"
python3 scripts/bench_wine.py --bench-dir "$out" "${wine_args[@]}" >"$results/wine.jsonl"

python3 - "$results/meta.json" "$load_before" "$(load_now)" "$smoke" "$seconds" "$before" <<'EOF'
import json, os, platform, subprocess, sys, time
def run(cmd):
    try:
        return subprocess.run(cmd, capture_output=True, text=True, timeout=30).stdout.strip()
    except (OSError, subprocess.TimeoutExpired):
        return ""
cpu = next((l.split(":", 1)[1].strip() for l in open("/proc/cpuinfo") if l.startswith("model name")), "")
mem = next((l.split(":", 1)[1].strip() for l in open("/proc/meminfo") if l.startswith("MemTotal")), "")
meta = {
    "date": time.strftime("%Y-%m-%d %H:%M %Z"), "cpu": cpu, "cores": os.cpu_count(), "memory": mem,
    "kernel": platform.release(), "wine": run(["/usr/lib/wine/wine64", "--version"]),
    "compiler": run(["clang++", "--version"]).splitlines()[0] if run(["clang++", "--version"]) else "",
    "mingw": (run(["x86_64-w64-mingw32-g++-posix", "--version"]) or "\n").splitlines()[0],
    "load_before": sys.argv[2], "load_after": sys.argv[3],
    "options": ("--smoke" if sys.argv[4] == "1" else f"--seconds {sys.argv[5]}")
               + (f" --before {sys.argv[6]}" if sys.argv[6] else ""),
}
json.dump(meta, open(sys.argv[1], "w"), indent=1)
EOF

echo
if [ "$smoke" = 1 ]; then
  python3 scripts/bench_report.py "$results"
else
  python3 scripts/bench_report.py "$results" --write docs/performance.md \
    --notes bench/performance_notes.md
fi
echo "raw results: $results"
