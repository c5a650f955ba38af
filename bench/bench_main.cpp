// Benchmarks: run build/bench/bench (Google Benchmark flags apply).
#include <benchmark/benchmark.h>

BENCHMARK_MAIN();
