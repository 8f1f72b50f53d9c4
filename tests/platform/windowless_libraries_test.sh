#!/usr/bin/env bash
# The object runtime, the speech runtime and the character server's
# interfaces are loaded by servers without windows: none of them may pull in
# Qt Widgets. Usage: windowless_libraries_test.sh BUILD_DIR
set -euo pipefail
build=$1
status=0
for library in "$build"/src/platform/com_runtime/libparlotto_com_runtime.so \
               "$build"/src/platform/loop/libparlotto_loop.so \
               "$build"/src/contracts/agent/libparlotto_agent_interfaces.so \
               "$build"/system/speech/xvoice.so; do
  if [ ! -f "$library" ]; then
    echo "missing: $library"
    status=1
  elif ldd "$library" | grep -q 'libQt6Widgets'; then
    echo "loads Qt Widgets: $library"
    status=1
  fi
done
exit $status
