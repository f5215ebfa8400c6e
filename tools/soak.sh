#!/usr/bin/env bash
# Soak: one processing instance driven for an hour (or SECONDS given) by the audio, automation and
# interface threads of the stress run, checking finite output, identical chunk round trips and
# that resident memory stops growing after the first minute. Not part of the test command.
# Usage: tools/soak.sh [SECONDS] [SEED]
set -euo pipefail
cd "$(dirname "$0")/.."

QV_TARGETS=instance_stress tools/setup.sh build -DCMAKE_BUILD_TYPE=Release
exec build/tests/stress/instance_stress --seconds "${1:-3600}" --seed "${2:-1}" --memory
