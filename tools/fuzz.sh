#!/usr/bin/env bash
# Builds the packet-reader fuzzer with clang (libFuzzer, AddressSanitizer,
# UndefinedBehaviorSanitizer) under build/fuzz and runs it for the given
# number of seconds (default 60). Exits non-zero when it finds a crash, a
# hang or a sanitizer report.
# Usage: tools/fuzz.sh [seconds]
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
seconds=${1:-60}
out=${QX_BUILD_ROOT:-$root/build}/fuzz
mkdir -p "$out/corpus" "$out/seeds" "$out/artifacts"

src=("$root/src/localisation/datapacket_binary.cpp" "$root/src/localisation/datapacket_xml.cpp"
     "$root/src/localisation/code_page_posix.cpp" "$root/src/common/ansi_text.cpp")
flags=(-std=c++20 -g -O1 -I"$root/src" -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
echo "== build fuzz"
clang++ "${flags[@]}" -fsanitize=address,undefined "${src[@]}" \
  "$root/tests/localisation/fuzz/make_seeds.cpp" -o "$out/make_seeds"
clang++ "${flags[@]}" -fsanitize=fuzzer,address,undefined "${src[@]}" \
  "$root/tests/localisation/fuzz/packet_fuzzer.cpp" -o "$out/packet_fuzzer"
"$out/make_seeds" "$out/seeds"

echo "== fuzz packet readers for ${seconds}s"
"$out/packet_fuzzer" "$out/corpus" "$out/seeds" -max_total_time="$seconds" -timeout=10 \
  -max_len=65536 -artifact_prefix="$out/artifacts/" -print_final_stats=1 2>"$out/fuzz.log" || {
  tail -60 "$out/fuzz.log" >&2
  echo "fuzz.sh: the fuzzer found a fault; the input is in $out/artifacts/" >&2
  exit 1
}
grep -E '^(stat::number_of_executed_units|#[0-9]+ +DONE)' "$out/fuzz.log" || true
