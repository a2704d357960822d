#!/usr/bin/env bash
# `tidewell serve` against hostile conditions: `kill -9` in the middle of a streamed and of a form
# upload leaves no partial file under the target name, and the next start removes a hidden
# temporary file that a killed writer left behind (where the file system has no O_TMPFILE);
# --allow-host and --code as a person uses them.
set -u
bin="$1"
work=$(mktemp -d)
pid=""
curlpid=""
cleanup() {
  [ -n "$curlpid" ] && kill "$curlpid" 2>/dev/null
  [ -n "$pid" ] && kill -9 "$pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
export XDG_DATA_HOME="$work/data" XDG_CONFIG_HOME="$work/config" XDG_CACHE_HOME="$work/cache"
mkdir -p "$work/docs"
failures=0
passes=0
check() { # description, command...
  local what="$1"; shift
  if "$@"; then passes=$((passes + 1)); else echo "FAILED: $what"; failures=$((failures + 1)); fi
}

start() { # extra arguments go to serve
  # The background job's output is redirected when it starts, maybe after the loop below first
  # looks: without this the loop could read the previous server's address.
  rm -f "$work/stdout" "$work/stderr"
  "$bin" serve --documents "$work/docs" --port 0 --bind 127.0.0.1 "$@" >"$work/stdout" 2>"$work/stderr" &
  pid=$!
  url=""
  for _ in $(seq 300); do # up to 30 s: a loaded machine starts the app slowly
    url=$(grep -so 'http://127.0.0.1:[0-9]*/' "$work/stdout" | head -n 1)
    [ -n "$url" ] && break
    sleep 0.1
  done
  test -n "$url"
}

# True once the server holds a file open in the document folder: the upload is being written.
writing() {
  for _ in $(seq 600); do
    ls -l "/proc/$pid/fd" 2>/dev/null | grep -q -- "$work/docs/" && return 0
    sleep 0.05
  done
  echo "The server holds no file in the folder; its log:" >&2
  cat "$work/stderr" >&2
  return 1
}

head -c 12000000 /dev/urandom >"$work/big"
{ printf 'note=n&name=form.mp4&content='; base64 -w0 "$work/big"; } >"$work/form"

for kind in streamed form; do
  check "the server starts ($kind)" start
  if [ "$kind" = streamed ]; then
    curl -s -o /dev/null --limit-rate 1M -X PUT -H 'Content-Type: application/octet-stream' \
      --data-binary @"$work/big" "${url}upload-stream?path=stream.mp4" &
    target=stream.mp4
  else
    curl -s -o /dev/null --limit-rate 1M -H 'Content-Type: application/x-www-form-urlencoded' \
      --data-binary @"$work/form" "${url}upload" &
    target=form.mp4
  fi
  curlpid=$!
  check "the $kind upload is being written when the server is killed" writing
  kill -9 "$pid"
  wait "$pid" 2>/dev/null
  pid=""
  wait "$curlpid" 2>/dev/null
  curlpid=""
  check "no $target after kill -9 mid-upload" test ! -e "$work/docs/$target"
  check "no visible partial file after the $kind upload" test -z "$(ls "$work/docs")"
done

# A killed writer on a file system without O_TMPFILE leaves its hidden name: the next start removes it.
head -c 1000 /dev/urandom >"$work/docs/.tidewell-k1lled.part"
check "the server starts again" start
check "the leftover is gone after the start" test ! -e "$work/docs/.tidewell-k1lled.part"
check "the removal is logged" grep -q "Removed 1 unfinished file" "$work/stderr"
check "the folder is empty" test -z "$(ls -A "$work/docs")"
kill "$pid"
wait "$pid"
pid=""

status() { # host, path, extra curl arguments...
  local host="$1" path="$2"; shift 2
  curl -s -o /dev/null -w '%{http_code}' -H "Host: $host" "$@" "${url}${path#/}"
}
"$bin" serve --allow-host '[::1]' >"$work/out" 2>&1; code=$?
check "an address is refused as --allow-host" test "$code" -eq 2
check "the refused name is named" grep -q "wants a host name" "$work/out"
check "the server starts with --allow-host and --code" start --allow-host files.example.org --allow-host Other.Example --code
port=${url##*:}; port=${port%/}
check "an admitted name is served" test "$(status files.example.org:$port /)" = 200
check "a second admitted name is served, in any case" test "$(status other.example /)" = 200
check "a foreign name is refused with 421" test "$(status evil.example.com:$port /)" = 421
code=$(grep -o 'Access code: [0-9]\{6\}' "$work/stdout" | grep -o '[0-9]*$')
check "the access code is printed" test -n "$code"
check "the list needs the code" test "$(status 127.0.0.1:$port /list)" = 401
check "the right code signs in" bash -c "curl -sf -c '$work/jar' -d code=$code '${url}sign-in' >/dev/null"
check "the session cookie opens the list" test "$(status 127.0.0.1:$port /list -b "$work/jar")" = 200
kill "$pid"
wait "$pid"
pid=""

echo "$passes checks passed, $failures failed"
exit $((failures > 0))
