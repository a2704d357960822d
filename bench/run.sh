#!/usr/bin/env bash
# Compares `tidewell serve` with nginx and caddy (all from Debian) on loopback, in one run, and
# prints our figures, theirs and the ratios. Run it through `make bench` (which builds first).
# Everything it makes lives under $BENCH_DIR (default /tmp/tidewell-bench) and is kept for reruns.
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
bin="${TIDEWELL_BIN:-$here/build/src/cli/tidewell}"
work="${BENCH_DIR:-/tmp/tidewell-bench}"
data="$work/data"
runs="${BENCH_RUNS:-3}"
[ -x "$bin" ] || { echo "bench: build first (make build); no $bin" >&2; exit 1; }

need=()
for p in nginx caddy wrk libvips-tools mate-backgrounds imagemagick curl python3; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || need+=("$p")
done
if [ ${#need[@]} -gt 0 ]; then
  echo "bench: installing ${need[*]}"
  DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=600 install -y -qq --no-install-recommends "${need[@]}" >/dev/null
fi

mkdir -p "$data" "$work/put"
# ---------- data ----------
if [ ! -f "$data/big.bin" ]; then
  echo "bench: making data (once)"
  head -c $((1024 * 1024 * 1024)) /dev/urandom > "$data/big.bin"
  head -c 1024 /dev/urandom > "$data/small.txt"
  mkdir -p "$data/many" && (cd "$data/many" && for i in $(seq 1 10000); do printf 'file %d\n' "$i" > "note-$i.txt"; done)
  # Real photographs from Debian's mate-backgrounds, made 4000x3000 like a phone camera's.
  mkdir -p "$data/photos" "$work/base"
  i=0
  for f in /usr/share/backgrounds/mate/nature/*.jpg; do
    i=$((i + 1))
    /usr/bin/convert "$f" -resize 4000x3000^ -gravity center -extent 4000x3000 -quality 92 "$work/base/$i.jpg"
  done
  n=$(ls "$work/base" | wc -l)
  for k in $(seq 1 200); do cp "$work/base/$(( (k % n) + 1 )).jpg" "$data/photos/photo-$k.jpg"; done
  head -c $((100 * 1024 * 1024)) /dev/urandom > "$work/up-100m.bin"
  python3 - "$work/up-100m.bin" "$work/form-100m.body" <<'PY'
import base64, sys, urllib.parse
raw = open(sys.argv[1], 'rb').read()
body = 'note=bench&name=form-upload.mp4&content=' + urllib.parse.quote(base64.b64encode(raw).decode(), safe='')
open(sys.argv[2], 'w').write(body)
PY
fi

free_port() { python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])'; }
ours_port=$(free_port); nginx_port=$(free_port); caddy_port=$(free_port)
pids=()
cleanup() { for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done; nginx -c "$work/nginx.conf" -s stop 2>/dev/null || true; }
trap cleanup EXIT

# ---------- servers ----------
start_ours() {
  XDG_CACHE_HOME="$work/cache" "$bin" serve --documents "$data" --port "$ours_port" --bind 127.0.0.1 >/dev/null 2>"$work/ours.log" &
  ours_pid=$!
  pids+=("$ours_pid")
  for _ in $(seq 100); do curl -s -o /dev/null "http://127.0.0.1:$ours_port/icon.png" && return; sleep 0.05; done
  echo "bench: tidewell serve did not start" >&2; exit 1
}
stop_ours() { kill "$ours_pid"; wait "$ours_pid" 2>/dev/null || true; }

cat > "$work/nginx.conf" <<NGINX
user root;
worker_processes auto;
daemon on;
pid $work/nginx.pid;
error_log $work/nginx-error.log;
events { worker_connections 1024; }
http {
  include /etc/nginx/mime.types;
  access_log off;
  sendfile on;
  tcp_nopush on;
  client_max_body_size 0;
  client_body_temp_path $work/nginx-body;
  server {
    listen 127.0.0.1:$nginx_port;
    root $data;
    location / { autoindex on; autoindex_format json; }
    location /put/ { root $work; dav_methods PUT; create_full_put_path on; }
  }
}
NGINX
mkdir -p "$work/nginx-body"
nginx -c "$work/nginx.conf"
XDG_DATA_HOME="$work/caddy-data" XDG_CONFIG_HOME="$work/caddy-config" \
  caddy file-server --browse --listen "127.0.0.1:$caddy_port" --root "$data" >/dev/null 2>&1 &
pids+=($!)
rm -rf "$work/cache"
start_ours
for _ in $(seq 100); do curl -s -o /dev/null "http://127.0.0.1:$caddy_port/small.txt" && break; sleep 0.05; done

# ---------- helpers ----------
median() { sort -g | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
timed() { curl -s -o /dev/null -w '%{time_total}\n' "$@"; }
reset_peak() { echo 5 > "/proc/$ours_pid/clear_refs"; }
peak_mib() { awk '/VmHWM/ {printf "%.1f", $2/1024}' "/proc/$ours_pid/status"; }
rate_mib() { awk -v b="$1" -v t="$2" 'BEGIN {printf "%.0f", b / t / 1048576}'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN {if (b > 0) printf "%.2f", a / b; else print "-"}'; }
rows=()
row() { rows+=("$(printf '| %s | %s | %s | %s | %s |' "$@")"); }

ours="http://127.0.0.1:$ours_port"
nginx_url="http://127.0.0.1:$nginx_port"
caddy_url="http://127.0.0.1:$caddy_port"
curl -s -o /dev/null "$ours/list?path=/" # downloads read from the folder listed last

# 1 GiB download, with the CPU time the server spends per GiB (nginx: its workers together), read
# in nanoseconds from every thread's schedstat, and the client's (curl's) beside it. On loopback the
# kernel does the receiving side's TCP work in whichever process sends or acknowledges at the
# moment, so the server's share moves with where the scheduler puts the two, from one download to
# the next: the two servers take turns, over more rounds than the other measures, and the whole
# transfer's cost (server and client) is printed too as the steadier figure.
big=$(stat -c %s "$data/big.bin")
download_rounds="${BENCH_DOWNLOAD_RUNS:-8}"
cpu_ns() { local t=0; for p in "$@"; do for f in /proc/"$p"/task/*/schedstat; do t=$((t + $(awk '{print $1}' "$f"))); done; done; echo "$t"; }
per_gib() { awk -v t="$1" -v n="${3:-$download_rounds}" -v b="$big" -v f="${2:-%.2f}" 'BEGIN {printf f, t / 1e9 / n / (b / 1073741824)}'; }
sum() { awk '{t += $1} END {printf "%.0f", t}' "$1"; }
# Data segments the kernel delivered (and had acknowledged), on every TCP socket of this machine.
delivered() { awk '/^TcpExt:/ {if (!h) {for (i = 1; i <= NF; i++) if ($i == "TCPDelivered") c = i; h = 1} else print $c}' /proc/net/netstat; }
# One download: appends to $work/<name>-{time,server,client,segments} its time in seconds, the
# server's CPU, curl's own CPU (user and system, in nanoseconds) and the data segments delivered.
download_round() { # name, url, server pids...
  local name=$1 url=$2 c0 d0 cpu TIMEFORMAT='%U %S'
  shift 2
  c0=$(cpu_ns "$@")
  d0=$(delivered)
  cpu=$( { time curl -s -o /dev/null -w '%{time_total}\n' "$url" >>"$work/$name-time"; } 2>&1)
  echo $(($(cpu_ns "$@") - c0)) >>"$work/$name-server"
  echo $(($(delivered) - d0)) >>"$work/$name-segments"
  awk -v c="$cpu" 'BEGIN {split(c, a, " "); printf "%.0f\n", (a[1] + a[2]) * 1e9}' >>"$work/$name-client"
}
# The same downloads with the server and curl pinned to one core: the receiving side's kernel work
# then runs in curl, and what the server is charged is its own (sendfile and the sending side's TCP).
all_cpus=$(taskset -c -p $$ | awk '{print $NF}') # what the servers had: the bench's own CPUs
pin() { local cpus=$1 p; shift; for p in "$@"; do taskset -a -p -c "$cpus" "$p" >/dev/null; done; }
one_core_cpu() { # url, server pids...: prints the server's CPU per GiB
  local url=$1 c0 spent
  shift
  pin 0 "$@"
  c0=$(cpu_ns "$@")
  for _ in $(seq "$runs"); do taskset -c 0 curl -s -o /dev/null "$url"; done
  spent=$(($(cpu_ns "$@") - c0))
  pin "$all_cpus" "$@"
  per_gib "$spent" %.3f "$runs"
}
nginx_workers=$(pgrep -P "$(cat "$work/nginx.pid")" | tr '\n' ' ')
# One download from each first, untimed: the file may have left the page cache since it was last
# read, and a read from disk would count against whichever server came first.
curl -s -o /dev/null "$ours/download?path=big.bin"
curl -s -o /dev/null "$nginx_url/big.bin"
rm -f "$work"/{ours,nginx}-{time,server,client,segments}
reset_peak
for _ in $(seq "$download_rounds"); do
  download_round ours "$ours/download?path=big.bin" "$ours_pid"
  # shellcheck disable=SC2086 # one argument per worker
  download_round nginx "$nginx_url/big.bin" $nginx_workers
done
mem_download=$(peak_mib)
o=$(median <"$work/ours-time")
n=$(median <"$work/nginx-time")
cpu_ours=$(per_gib "$(sum "$work/ours-server")")
cpu_nginx=$(per_gib "$(sum "$work/nginx-server")")
total_ours=$(per_gib $(($(sum "$work/ours-server") + $(sum "$work/ours-client"))))
total_nginx=$(per_gib $(($(sum "$work/nginx-server") + $(sum "$work/nginx-client"))))
# per_gib takes nanoseconds: the counts go in scaled to match.
segments_ours=$(per_gib $(($(sum "$work/ours-segments") * 1000000000)) %.0f)
segments_nginx=$(per_gib $(($(sum "$work/nginx-segments") * 1000000000)) %.0f)
c=$(for _ in $(seq "$runs"); do timed "$caddy_url/big.bin"; done | median)
one_ours=$(one_core_cpu "$ours/download?path=big.bin" "$ours_pid")
# shellcheck disable=SC2086 # one argument per worker
one_nginx=$(one_core_cpu "$nginx_url/big.bin" $nginx_workers)
row "1 GiB download (MiB/s)" "$(rate_mib "$big" "$o")" "$(rate_mib "$big" "$n")" "$(rate_mib "$big" "$c")" \
  "$(ratio "$n" "$o") (target ≥ 1.0); server CPU $cpu_ours s/GiB, nginx's $cpu_nginx s/GiB ($(ratio "$cpu_ours" "$cpu_nginx"); target ≤ 1.0; $download_rounds downloads each, taking turns); server and client together $total_ours s/GiB, with nginx $total_nginx s/GiB ($(ratio "$total_ours" "$total_nginx")); server CPU with curl on its core $one_ours s/GiB, nginx's $one_nginx s/GiB ($(ratio "$one_ours" "$one_nginx")); data segments per GiB $segments_ours, nginx's $segments_nginx; our peak RSS $mem_download MiB"

# 1 KiB files
wrk_run() { wrk -t2 -c32 -d"${BENCH_SECONDS:-5}"s --latency "$1" 2>/dev/null; }
rps() { awk '/Requests\/sec/ {print $2}'; }
p99() { awk '$1 == "99%" {print $2}'; }
wo=$(wrk_run "$ours/download?path=small.txt"); wn=$(wrk_run "$nginx_url/small.txt"); wc_=$(wrk_run "$caddy_url/small.txt")
row "1 KiB files (requests/s)" "$(rps <<<"$wo")" "$(rps <<<"$wn")" "$(rps <<<"$wc_")" \
  "$(ratio "$(rps <<<"$wo")" "$(rps <<<"$wn")") (target ≥ 1.0)"
row "1 KiB files (p99 latency)" "$(p99 <<<"$wo")" "$(p99 <<<"$wn")" "$(p99 <<<"$wc_")" ""
# The same for a reply held in memory (the page's icon): what the HTTP layer itself allows.
wi=$(wrk_run "$ours/icon.png")
row "in-memory reply (requests/s)" "$(rps <<<"$wi")" "" "" "our HTTP layer's own ceiling; $(ratio "$(rps <<<"$wi")" "$(rps <<<"$wn")") of nginx's 1 KiB files"

# Listing 10,000 files
o=$(for _ in $(seq 5); do timed "$ours/list?path=many"; done | median)
n=$(for _ in $(seq 5); do timed "$nginx_url/many/"; done | median)
c=$(for _ in $(seq 5); do timed -H 'Accept: application/json' "$caddy_url/many/"; done | median)
row "list 10,000 files (ms)" "$(awk -v t="$o" 'BEGIN{printf "%.1f", t*1000}')" \
  "$(awk -v t="$n" 'BEGIN{printf "%.1f", t*1000}')" "$(awk -v t="$c" 'BEGIN{printf "%.1f", t*1000}')" \
  "$(ratio "$o" "$n") of nginx's time (target ≤ 1.0)"

# 200 photos of 4000x3000: first listing (empty cache), second, and after a restart
stop_ours; start_ours
reset_peak
first=$(timed "$ours/list?path=photos")
mem_photos=$(peak_mib)
size=$(curl -s "$ours/list?path=photos" | wc -c)
second=$(for _ in $(seq 5); do timed "$ours/list?path=photos"; done | median)
stop_ours; start_ours
restarted=$(for _ in $(seq 5); do timed "$ours/list?path=photos"; done | median)
curl -s -o /dev/null "$ours/list?path=/"
n=$(for _ in $(seq 5); do timed "$nginx_url/photos/"; done | median)
c=$(for _ in $(seq 5); do timed -H 'Accept: application/json' "$caddy_url/photos/"; done | median)
rm -rf "$work/vips" && mkdir -p "$work/vips"
vips_start=$(date +%s.%N)
ls "$data"/photos/*.jpg | xargs -P2 -n100 vipsthumbnail -s 224 -o "$work/vips/%s.png"
vips=$(awk -v s="$vips_start" -v e="$(date +%s.%N)" 'BEGIN {print e - s}')
ms() { awk -v t="$1" 'BEGIN{printf "%.0f", t*1000}'; }
row "200 photos, first listing (ms)" "$(ms "$first")" "$(ms "$n") (no thumbnails)" "$(ms "$c") (no thumbnails)" \
  "$(ratio "$first" "$vips") of vipsthumbnail -P2 ($(ms "$vips") ms; target ≤ 1); reply $(awk -v s="$size" 'BEGIN{printf "%.2f", s/1048576}') MiB (target < 5); peak RSS $mem_photos MiB"
row "200 photos, second listing (ms)" "$(ms "$second")" "" "" "target < 50"
row "200 photos, after a restart (ms)" "$(ms "$restarted")" "" "" "target < 50"

# Uploads: streamed route against nginx's WebDAV PUT; the form route. A fresh server, so that its
# peak memory shows the uploads and not the thumbnails made above.
stop_ours; start_ours
upload_ours() { curl -s -o /dev/null -w '%{time_total}\n' -T "$1" "$ours/upload-stream?path=$2"; rm -f "$data/$2"; }
upload_nginx() { curl -s -o /dev/null -w '%{time_total}\n' -T "$1" "$nginx_url/put/$2"; rm -f "$work/put/$2"; }
m100=$((100 * 1024 * 1024))
reset_peak
o=$(for i in $(seq "$runs"); do upload_ours "$work/up-100m.bin" "stream-$i.mp4"; done | median)
mem_upload=$(peak_mib)
n=$(for i in $(seq "$runs"); do upload_nginx "$work/up-100m.bin" "put-$i.mp4"; done | median)
row "100 MiB streamed upload (MiB/s)" "$(rate_mib $m100 "$o")" "$(rate_mib $m100 "$n") (WebDAV PUT)" "" \
  "$(ratio "$n" "$o") (target ≥ 1.0); our peak RSS $mem_upload MiB (target < 32)"
o=$(upload_ours "$data/big.bin" "stream-big.mp4")
n=$(upload_nginx "$data/big.bin" "put-big.mp4")
row "1 GiB streamed upload (MiB/s)" "$(rate_mib "$big" "$o")" "$(rate_mib "$big" "$n") (WebDAV PUT)" "" "$(ratio "$n" "$o")"
form_bytes=$(stat -c %s "$work/form-100m.body")
reset_peak
o=$(for _ in $(seq "$runs"); do
  curl -s -o /dev/null -w '%{time_total}\n' -H 'Content-Type: application/x-www-form-urlencoded' \
    --data-binary @"$work/form-100m.body" "$ours/upload"
  rm -f "$data/form-upload.mp4"
done | median)
mem_form=$(peak_mib)
row "100 MiB through the form route" "$(rate_mib "$form_bytes" "$o") MiB/s of form" "" "" \
  "target ≥ 600 MiB/s of form; peak RSS $mem_form MiB"

# 1,000 connections that dribble a header a byte a second (from 20 loopback addresses, under the
# per-address cap): a new client's listing, and the server's memory, on a fresh server.
stop_ours; start_ours
reset_peak
read -r d_ours d_ours_max d_alive < <(python3 "$here/bench/dribble.py" 127.0.0.1 "$ours_port" 1000 "/list?path=/")
mem_dribble=$(peak_mib)
read -r d_nginx d_nginx_max _ < <(python3 "$here/bench/dribble.py" 127.0.0.1 "$nginx_port" 1000 "/")
row "new client's listing under 1,000 dribbling connections (ms)" "$d_ours (slowest $d_ours_max)" \
  "$d_nginx (slowest $d_nginx_max)" "" "target < 50 ms; $d_alive dribblers open; our peak RSS $mem_dribble MiB (target < 64)"

echo
echo "| measure | tidewell serve | nginx | caddy | ratio and notes |"
echo "|---|---|---|---|---|"
printf '%s\n' "${rows[@]}"
