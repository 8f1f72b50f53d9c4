#!/usr/bin/env bash
# Reads the sample text aloud with the program just built. Until the
# animated character exists, the demo speaks without it: it keeps its own
# settings ("noAgent"=1) in build/demo/, so the user's settings stay as they
# are. Without any audio device the speech goes to a WAV file, whose name the
# program prints.
set -euo pipefail
cd "$(dirname "$0")/.."

build=${1:-build}
export PARLOTTO_USER_HIVE="$PWD/$build/demo/user.reg"
mkdir -p "$(dirname "$PARLOTTO_USER_HIVE")"
"$build/parlotto-reg" add 'HKCU\Software\Zentravol\Agent' /v noAgent /t REG_DWORD /d 1 /f >/dev/null
exec "$build/parlotto" -d "$(cat data/beispiel.txt)"
