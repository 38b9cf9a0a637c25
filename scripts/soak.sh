#!/usr/bin/env bash
# The long memory check: SHOTS shots (default 1000) through `corvantis --self-test` with the test
# camera and the demo content, in a throw-away home so no real settings or shot folder is touched.
# Fails when resident memory at sheet starts grows by 10 MB or more from the first third of the
# sheets to the last (medians; the first sheet is warm-up).
set -euo pipefail
shots=${1:-1000}
bin=${CORVANTIS:-build/bin/corvantis}
limit_mb=${SOAK_LIMIT_MB:-10}
home=$(mktemp -d /tmp/kivra-soak.XXXXXX)
trap 'rm -rf "$home"' EXIT
mkdir -p "$home/home"

echo "load before: $(uptime)"
line=$(HOME="$home/home" XDG_CONFIG_HOME="$home/config" QT_QPA_PLATFORM=offscreen \
  /usr/bin/time -f 'cpu: %U s user, %S s system, %e s wall, peak rss %M KB' \
  nice -n 19 "$bin" --test-camera --demo-content --self-test "$shots" --home "$home" 2>"$home/stderr" || true)
grep '^cpu:' "$home/stderr" || true
echo "load after:  $(uptime)"
echo "$line"

[[ "$line" == *"0 failed"* ]] || { echo "soak: shots failed"; exit 1; }
warm=$(sed -n 's/.*early to late: heap [0-9.]* MB -> [0-9.]* MB, rss \([0-9]*\) MB -> \([0-9]*\) MB, rss.*/\1 \2/p' <<<"$line")
[[ -n "$warm" ]] || { echo "soak: too few shots for three sheets"; exit 1; }
read -r from to <<<"$warm"
growth=$((to - from))
echo "soak: resident memory at sheet starts, early to late, grew $growth MB (limit $limit_mb MB)"
((growth < limit_mb))
