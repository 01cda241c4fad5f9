#!/usr/bin/env bash
# Fails when SDL, GStreamer or socket headers are included outside platform/.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
pattern='^[[:space:]]*#[[:space:]]*include[[:space:]]*[<"](SDL2?/|SDL[_.a-z]*\.h|gst/|sys/socket\.h|netinet/|arpa/inet\.h|netdb\.h|ifaddrs\.h|hiredis/)'
# The leak checker's probe is the one exception: it must leak beneath SDL's
# and GStreamer's own frames, so it calls them directly.
hits=$(grep -rnE "$pattern" --include='*.h' --include='*.hpp' --include='*.cpp' --include='*.c' \
  qzware proj tools tests demo bench 2>/dev/null | grep -v '^tests/leakcheck/leak_probe\.cpp:' || true)
if [ -n "$hits" ]; then
  echo "platform headers included outside platform/:" >&2
  echo "$hits" >&2
  exit 1
fi
