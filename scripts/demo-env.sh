#!/usr/bin/env bash
# Runs a program against a virtual coupler with a demo station, in a demo
# registry and link folder of its own:
#   scripts/demo-env.sh BUILD_DIR [PROGRAM [ARGS...]]
# PROGRAM defaults to BUILD_DIR/bin/td4700. The coupler is linked as COM2 (the
# program's default serial port) and serves QNP for its station's net id and
# port (169.12.1.106.1.1 and 100 in every station file) at TD4700_QNP_ROUTER.
# It stops when PROGRAM ends. TD4700_DEMO_DIR (default BUILD_DIR/demo) keeps the
# demo registry between runs; TD4700_DEMO_STATION picks another file from
# vcoupler/stations. At every run the demo settings name vcoupler/samples as the
# firmware folder, so the firmware dialog opens where the demo's sample files
# are, and the coupler's net id and port, so the network dialog offers them.
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:?usage: scripts/demo-env.sh BUILD_DIR [PROGRAM [ARGS...]]}"
build="$(cd "$build" && pwd)"
shift
if [ $# -eq 0 ]; then
  set -- "$build/bin/td4700"
fi

demo="${TD4700_DEMO_DIR:-$build/demo}"
station="$here/vcoupler/stations/${TD4700_DEMO_STATION:-vn6555-demo.xml}"
vcoupler="$build/bin/td4700-vcoupler"
mkdir -p "$demo/registry" "$demo/ports" "$demo/runtime"

export TD4700_REGISTRY_DIR="$demo/registry"
export TD4700_PORTS_DIR="$demo/ports"
export TD4700_RUNTIME_ROOT="$demo/runtime"

out="$demo/vcoupler.out"
: > "$out"
"$vcoupler" "$station" --com 2 --qnp-listen 0 --trace "$demo/vcoupler-trace.txt" > "$out" 2> "$demo/vcoupler.err" &
coupler=$!
cleanup() { kill "$coupler" 2>/dev/null || true; wait "$coupler" 2>/dev/null || true; }
trap cleanup EXIT INT TERM

for _ in $(seq 500); do
  grep -q '^ready$' "$out" && break
  if ! kill -0 "$coupler" 2>/dev/null; then
    echo "demo-env: the virtual coupler did not start:" >&2
    cat "$demo/vcoupler.err" >&2
    exit 1
  fi
  sleep 0.02 # the coupler is ready within a few hundredths; the program starts right after
done
if ! grep -q '^ready$' "$out"; then
  echo "demo-env: the virtual coupler did not get ready" >&2
  exit 1
fi
# "qnp ROUTER NETID PORT"
if ! read -r _ TD4700_QNP_ROUTER netid qnpport < <(awk '$1 == "qnp"' "$out") || [ -z "${qnpport:-}" ]; then
  echo "demo-env: the virtual coupler named no network channel" >&2
  exit 1
fi
export TD4700_QNP_ROUTER
"$build/bin/td4700-demo-settings" "$demo/registry" "PathResFirmware=$here/vcoupler/samples" \
  "QnpRtnNetId=$netid" "QnpRtnPort=$qnpport"
sed 's/^/demo-env: /' "$out" >&2

status=0
"$@" || status=$?
exit "$status"
