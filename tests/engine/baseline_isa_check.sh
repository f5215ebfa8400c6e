#!/usr/bin/env bash
# The module must run on any x86-64: instructions that need AVX (VEX or EVEX encoded, or naming
# ymm, zmm or mask registers) may appear only in the wide render paths, which run only where the
# processor has them. Usage: baseline_isa_check.sh MODULE
set -euo pipefail
objdump -d --no-show-raw-insn -C "$1" | awk -F'\t' '
  /^[0-9a-f]+ <.*>:$/ { fn = $0; next }
  NF >= 2 && $1 ~ /^ *[0-9a-f]+:$/ {
    if ($2 ~ /^v/ || $2 ~ /%[yz]mm|%k[0-7]/) {
      if (fn ~ /Avx2|Avx512/) { wide++ } else { print "AVX outside the wide paths: " fn " " $2; bad++ }
    }
  }
  END {
    if (bad) exit 1
    if (!wide) { print "no AVX instructions found in the wide paths: is the module stripped?"; exit 1 }
    printf "%d AVX instructions, all inside the wide render paths\n", wide
  }'
