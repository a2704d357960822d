#!/usr/bin/env bash
# 200 clients listing, downloading and uploading at once against the transfer server for 30 seconds
# (STRESS_SECONDS), every byte compared: the test that ctest runs, for another length of time.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
tests="${TIDEWELL_TESTS:-$here/build/tests/transfer/transfer_server_tests}"
[ -x "$tests" ] || { echo "stress: build first (make build); no $tests" >&2; exit 1; }
TIDEWELL_STRESS_SECONDS="${STRESS_SECONDS:-30}" QT_QPA_PLATFORM=offscreen \
  "$tests" --gtest_filter='ConcurrentClients.ListsDownloadsAndUploadsKeepEveryByte'
