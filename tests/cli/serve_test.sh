#!/usr/bin/env bash
# `tidewell serve` as a person uses it: clear errors for bad arguments, the address and a QR code
# on start, one log line per request, and a clean stop on SIGTERM and on Ctrl-C (SIGINT).
set -u
bin="$1"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_DATA_HOME="$work/data" XDG_CONFIG_HOME="$work/config" XDG_CACHE_HOME="$work/cache" TIDEWELL_DOCUMENTS="$work/docs"
failures=0
passes=0
check() { # description, command...
  local what="$1"; shift
  if "$@"; then passes=$((passes + 1)); else echo "FAILED: $what"; failures=$((failures + 1)); fi
}

"$bin" serve --port notanumber >"$work/out" 2>&1; code=$?
check "a bad port is refused with exit code 2" test "$code" -eq 2
check "the bad port is named" grep -q "notanumber" "$work/out"
"$bin" serve --documents "$work/missing" >"$work/out" 2>&1; code=$?
check "a missing documents folder is refused" test "$code" -eq 2
check "the missing folder is named" grep -q "is not a folder" "$work/out"
"$bin" serve --frobnicate >"$work/out" 2>&1; code=$?
check "an unknown option is refused" test "$code" -eq 2
"$bin" --help >"$work/out" 2>&1
check "--help shows the usage" grep -q "tidewell serve \[--documents DIR\]" "$work/out"
"$bin" serve --help >"$work/out" 2>&1
check "serve --help names its options" grep -q -- "--bind" "$work/out"

mkdir -p "$work/served"
echo "hello" > "$work/served/hello.txt"
for signal in TERM INT; do
  # The shell redirects the background job's output when the job starts, maybe after the loop
  # below first looks: without this the loop could read the previous run's address.
  rm -f "$work/stdout" "$work/stderr"
  "$bin" serve --documents "$work/served" --port 0 --bind 127.0.0.1 --no-announce >"$work/stdout" 2>"$work/stderr" &
  pid=$!
  url=""
  for _ in $(seq 100); do
    url=$(grep -so 'http://127.0.0.1:[0-9]*/' "$work/stdout" | head -n 1)
    [ -n "$url" ] && break
    sleep 0.1
  done
  check "the address is printed ($signal run)" test -n "$url"
  check "a QR code is printed" bash -c "for _ in \$(seq 50); do grep -q $'\u2588' '$work/stdout' && exit 0; sleep 0.1; done; exit 1"
  check "the page answers" curl -sf -o /dev/null "$url"
  check "a listed file downloads" bash -c "curl -sf '${url}list?path=/' >/dev/null && test \"\$(curl -sf '${url}download?path=hello.txt')\" = hello"
  kill -s "$signal" "$pid"
  wait "$pid"; code=$?
  check "SIGTERM/SIGINT stops it with exit code 0 (got $code)" test "$code" -eq 0
  check "requests were logged" grep -q "GET /download?path=hello.txt 200" "$work/stderr"
  check "the stop is logged" grep -q "Transfer server stopped." "$work/stderr"
  check "the port is closed afterwards" bash -c "! curl -s -o /dev/null --max-time 2 '$url'"
done

echo "$passes passed, $failures failed"
test "$failures" -eq 0
