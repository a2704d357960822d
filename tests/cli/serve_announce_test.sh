#!/usr/bin/env bash
# `tidewell serve` announced over DNS-SD: seen by avahi-browse while it runs, with its ".local"
# address printed, and gone once it stops. Runs inside avahi-sandbox.sh (a private namespace with
# its own bus), which starts nothing itself: this script runs the daemon.
set -u
bin="$1"
work=$(mktemp -d)
export XDG_DATA_HOME="$work/data" XDG_CONFIG_HOME="$work/config" XDG_CACHE_HOME="$work/cache" TIDEWELL_DOCUMENTS="$work/docs"
failures=0
check() { # description, command...
  local what="$1"; shift
  if "$@"; then echo "ok: $what"; else echo "FAILED: $what"; failures=$((failures + 1)); fi
}
wait_for() { # command... : up to 20 s
  for _ in $(seq 200); do "$@" && return 0; sleep 0.1; done
  return 1
}

avahi-daemon --no-drop-root --no-chroot --no-rlimits -f "$TIDEWELL_AVAHI_CONFIG" >"$work/avahi.log" 2>&1 &
avahi=$!
trap 'kill "$avahi" 2>/dev/null; wait "$avahi" 2>/dev/null; rm -rf "$work"' EXIT
check "avahi-daemon starts" wait_for grep -q "Server startup complete" "$work/avahi.log"

# A server with --no-announce starts first, then an announced one: once the second is seen, the
# first would have been too.
"$bin" serve --port 0 --no-announce >"$work/quiet" 2>&1 &
quiet=$!
check "--no-announce serves" wait_for grep -q "Press Ctrl-C to stop" "$work/quiet"
quiet_port=$(grep -o 'http://[^ ]*:[0-9]*/' "$work/quiet" | head -n 1 | grep -o ':[0-9]*/' | grep -o '[0-9]*')

"$bin" serve --port 0 >"$work/stdout" 2>"$work/stderr" &
pid=$!
check "the .local address is printed" wait_for grep -q "Announced as \"Tidewell on .*\": also at http://.*\.local:[0-9]*/" "$work/stdout"
port=$(grep -o '\.local:[0-9]*/' "$work/stdout" | grep -o '[0-9]*')
browse() { avahi-browse -rpt _http._tcp >"$work/browse"; }
seen() { browse; grep -q "^=;.*;Tidewell\\\\032on\\\\032.*;$port;\"path=/\"" "$work/browse"; }
gone() { browse; ! grep -q "Tidewell" "$work/browse"; }
check "avahi-browse finds the server with path=/" seen
check "--no-announce announces nothing" test -n "$quiet_port"
check "--no-announce's port is not browsed" bash -c "! grep -q ';$quiet_port;' '$work/browse' && ! grep -q Announced '$work/quiet'"
kill -TERM "$quiet"; wait "$quiet"
kill -TERM "$pid"; wait "$pid"
check "serve stops cleanly" test $? -eq 0
check "the announcement is withdrawn after it stops" wait_for gone

[ "$failures" -eq 0 ] || { cat "$work/stderr"; exit 1; }
