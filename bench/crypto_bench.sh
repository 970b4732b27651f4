#!/usr/bin/env bash
# Crypto speed figures, side by side with OpenSSL's on the same machine in the
# same run: builds crypto_bench.exe if needed, runs it under Wine in a private
# computer, runs the openssl commands on the host, prints one table.
#   bench/crypto_bench.sh [build-dir]      (default: build-crypto)
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$top/build-crypto}
runs=${PRIME_RUNS:-21}

if [ ! -f "$build/build.ninja" ]; then
  cmake -S "$top" -B "$build" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$top/cmake/toolchain-mingw-x86_64.cmake" >/dev/null
fi
if ! cmake --build "$build" --target crypto_bench >"${TMPDIR:-/tmp}/crypto_bench_build.log" 2>&1; then
  cat "${TMPDIR:-/tmp}/crypto_bench_build.log" >&2
  exit 1
fi
exe="$build/bench/crypto_bench.exe"

. "$top/tools/wine-lib.sh"
dir=$(mktemp -d "${TMPDIR:-/tmp}/varnel-bench.XXXXXX")
trap 'computer_stop "$dir"' EXIT INT TERM
computer_start "$dir"
ours=$(computer_wine "$dir" "$exe" "$runs" 2>/dev/null | tr -d '\r')
val() { echo "$ours" | awk -v k="$1" '$1 == k { print $2 }'; }
[ -n "$(val keystream_8_cgrand_xor_MBps)" ] || { echo "crypto_bench.exe gave no figures" >&2; exit 1; }

ms_now() { date +%s%N; }
median() { sort -n | awk '{ a[NR] = $1 } END { if (NR % 2) print a[(NR + 1) / 2]; else print (a[NR / 2] + a[NR / 2 + 1]) / 2 }'; }

# openssl prime: wall time of the whole command, and of a command that does
# nothing (the start-up cost), each the median of the same number of runs.
prime_ms=$(for i in $(seq "$runs"); do
  s=$(ms_now); openssl prime -generate -bits 640 >/dev/null; e=$(ms_now)
  awk -v s="$s" -v e="$e" 'BEGIN { printf "%.2f\n", (e - s) / 1e6 }'; done | median)
start_ms=$(for i in $(seq "$runs"); do
  s=$(ms_now); openssl version >/dev/null; e=$(ms_now)
  awk -v s="$s" -v e="$e" 'BEGIN { printf "%.2f\n", (e - s) / 1e6 }'; done | median)
speed=$(openssl speed -seconds 2 rsa1024 rsa2048 2>/dev/null)
rsa1024_sign=$(echo "$speed" | awk '$1 == "rsa" && $2 == "1024" { printf "%.3f", $4 * 1000 }')
rsa2048_sign=$(echo "$speed" | awk '$1 == "rsa" && $2 == "2048" { printf "%.3f", $4 * 1000 }')
rsa2048_verify=$(echo "$speed" | awk '$1 == "rsa" && $2 == "2048" { printf "%.4f", $5 * 1000 }')

# OpenSSL's big-number library called directly: no process start-up, and the
# same 1280-bit modulus and exponent size as ours.
ref=""
if command -v gcc >/dev/null && [ -f /usr/include/openssl/bn.h ]; then
  if gcc -O2 -o "$dir/openssl_reference" "$top/bench/openssl_reference.c" -lcrypto 2>/dev/null; then
    ref=$("$dir/openssl_reference")
  fi
fi
refval() { echo "$ref" | awk -v k="$1" '$1 == k { print $2 }'; }

cpu=$(awk -F': ' '/model name/ { print $2; exit }' /proc/cpuinfo 2>/dev/null || true)
printf 'Host: %s, %s cores; ours: %s-bit build under Wine; %s\n' "${cpu:-unknown CPU}" "$(nproc)" \
  "$(val pointer_bits)" "$(openssl version | cut -d' ' -f1-2)"

printf '\n== Keystream (16 MB per run, MB = 2^20 bytes, median of 5; stream checked byte for byte) ==\n'
printf '%-12s %14s %14s %16s %9s %9s %s\n' generators "plain ref MB/s" "CGRand::Xor" "CGRand::NextByte" "Xor x" "Next x" identical
for g in 8 47; do
  printf '%-12s %14s %14s %16s %9s %9s %s\n' "$g" "$(val keystream_${g}_plain_reference_MBps)" \
    "$(val keystream_${g}_cgrand_xor_MBps)" "$(val keystream_${g}_cgrand_nextbyte_MBps)" \
    "$(val keystream_${g}_speedup_xor)" "$(val keystream_${g}_speedup_nextbyte)" "$(val keystream_${g}_identical)"
done

printf '\n== 640-bit probable-prime search (median of %s) ==\n' "$runs"
printf '%-44s %10s ms   (100 Miller-Rabin rounds, %s candidates median)\n' "ours (CPrimeGen::FindPrime, Wine, x86-64)" "$(val prime640_median_ms)" "$(val prime640_median_candidates)"
printf '%-44s %10s ms   (whole command)\n' "openssl prime -generate -bits 640" "$prime_ms"
printf '%-44s %10s ms\n' "  of which process start-up (openssl version)" "$start_ms"
[ -n "$ref" ] && printf '%-44s %10s ms\n' "OpenSSL BN_generate_prime_ex, in process" "$(refval openssl_prime640_inprocess_median_ms)"
printf '%-44s %10s ms   (all 6537 table primes, a full pass)\n' "ours, trial division of one candidate" "$(val trial_division640_median_ms)"

printf '\n== 1280-bit modular exponentiation, 1280-bit exponent (one RSA private-key operation without CRT) ==\n'
printf '%-44s %10s ms\n' "ours (CBigNum::PowMod)" "$(val powmod1280_median_ms)"
printf '%-44s %10s ms   (identical result: %s)\n' "ours, plain square-and-multiply loop" "$(val powmod1280_plain_loop_median_ms)" "$(val powmod1280_identical)"
[ -n "$ref" ] && printf '%-44s %10s ms\n' "OpenSSL BN_mod_exp, in process" "$(refval openssl_powmod1280_median_ms)"
printf '%-44s %10s ms   (CRT: two 512-bit exponentiations)\n' "openssl speed rsa1024 sign" "$rsa1024_sign"
printf '%-44s %10s ms   (CRT: two 1024-bit exponentiations)\n' "openssl speed rsa2048 sign" "$rsa2048_sign"
printf '%-44s %10s ms\n' "ours, e = 65537 (the sender's encryption)" "$(val powmod1280_e65537_median_ms)"
printf '%-44s %10s ms\n' "openssl speed rsa2048 verify (e = 65537)" "$rsa2048_verify"
printf '%-44s %10s ms   (one Miller-Rabin round)\n' "ours, 640-bit PowMod" "$(val powmod640_median_ms)"
