#!/usr/bin/env bash
# The README's run command: the whole system on the demo installation. Installs what is missing, builds a
# release build (build-release/), starts the ERP router simulator with the demo data and the daemon on the demo
# tree, and says how to connect. Ctrl-C stops both.
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/build-release"

bash "$root/scripts/install-deps.sh"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTEV_BENCH=OFF > /dev/null
ninja -C "$build" Torvend VAVInterface erp-sim demo_tables

# Every demo program runs with demo/ as its working directory (the settings give "." as the root).
cd "$root/demo"
mkdir -p log

pids=()
stop() {
  trap - INT TERM EXIT
  for pid in "${pids[@]}"; do kill "$pid" 2> /dev/null || true; done
  wait 2> /dev/null || true
}
trap 'stop; exit 0' INT TERM
trap stop EXIT

"$build/apps/erp-sim" --settings vav_settings.xml > log/erp-sim.port 2> log/erp-sim.log &
pids+=($!)
"$build/apps/Torvend" log vav_settings.xml > log/torvend.out 2>&1 &
pids+=($!)

port="$(sed -n 's:.*<config_param id="emulator_port">\([0-9]*\)</config_param>.*:\1:p' vav_settings.xml | head -1)"
cat << TEXT
The router simulator and the daemon are running (logs in demo/log/). The daemon takes about 20 seconds to start.
Connect a scanner session with:

    telnet localhost $port

and log in as demo / demo. Ctrl-C here stops both.
TEXT
wait -n "${pids[@]}" || true
echo "A program ended; see demo/log/torvend.log, demo/log/torvend.out and demo/log/erp-sim.log." >&2
