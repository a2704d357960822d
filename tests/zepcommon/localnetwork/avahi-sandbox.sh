#!/usr/bin/env bash
# Runs a command inside a private network and mount namespace with a system bus of its own, where
# the command may start avahi-daemon (TIDEWELL_AVAHI_CONFIG names its configuration). Avahi never
# uses loopback, so a veth pair carries multicast inside the namespace; nothing leaves it, and the
# machine's own bus and daemon are never touched. Exits 77 (skip) where namespaces are refused.
set -euo pipefail

if [ "${1:-}" != "--inside" ]; then
  for tool in unshare ip dbus-daemon avahi-daemon avahi-browse; do
    if ! command -v "$tool" >/dev/null 2>&1; then
      echo "SKIP: $tool is not installed (scripts/install-deps.sh installs it)"
      exit 77
    fi
  done
  if ! unshare -n -m true 2>/dev/null; then
    echo "SKIP: creating a network namespace (unshare -n -m) is not allowed here"
    exit 77
  fi
  exec unshare -n -m "$0" --inside "$@"
fi
shift

work="$(mktemp -d /tmp/tidewell-avahi-XXXXXX)"
# Avahi keeps its pid file and socket under /run/avahi-daemon: give it a private /run.
mount -t tmpfs tmpfs /run
ip link set lo up
ip link add tw0 type veth peer name tw1
ip link set tw1 up
ip link set tw0 multicast on up
ip addr add 10.77.0.1/24 dev tw0

cat >"$work/bus.conf" <<CONF
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>system</type>
  <listen>unix:path=$work/system_bus_socket</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow user="*"/>
    <allow own="*"/>
    <allow send_destination="*"/>
    <allow receive_sender="*"/>
  </policy>
</busconfig>
CONF
cat >"$work/avahi-daemon.conf" <<CONF
[server]
use-ipv4=yes
use-ipv6=no
allow-interfaces=tw0
enable-dbus=yes
[wide-area]
enable-wide-area=no
[publish]
publish-hinfo=no
publish-workstation=no
CONF

dbus-daemon --config-file="$work/bus.conf" --fork --print-pid >"$work/bus.pid"
trap 'kill "$(cat "$work/bus.pid")" 2>/dev/null || true; rm -rf "$work"' EXIT
export DBUS_SYSTEM_BUS_ADDRESS="unix:path=$work/system_bus_socket"
export TIDEWELL_AVAHI_CONFIG="$work/avahi-daemon.conf"
"$@"
