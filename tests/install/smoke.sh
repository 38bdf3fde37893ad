#!/usr/bin/env bash
# smoke.sh PROGRAM: starts PROGRAM offscreen as a new user would (a home of its own), waits
# until it has made the user's database from its seed, ends it with SIGTERM and expects exit
# status 0, with both databases found.
set -euo pipefail
program=$1
home=$(mktemp -d)
pid=""
cleanup() {
  if [[ -n "$pid" ]] && kill -0 "$pid" 2>/dev/null; then kill -KILL "$pid"; fi
  rm -rf "$home"
}
trap cleanup EXIT

HOME="$home" XDG_CONFIG_HOME="$home/.config" TMPDIR="$home" QT_QPA_PLATFORM=offscreen \
  "$program" 2>"$home/log" &
pid=$!
database="$home/Documents/Tamberlink/Data/Tamberlink.db"
for ((i = 0; i < 1200; ++i)); do
  [[ -s "$database" ]] && break
  if ! kill -0 "$pid" 2>/dev/null; then
    echo "smoke: $program ended during start-up" >&2
    cat "$home/log" >&2
    exit 1
  fi
  sleep 0.1
done
if [[ ! -s "$database" ]]; then
  echo "smoke: $program made no database within 2 minutes" >&2
  exit 1
fi
# A moment for the window and the event loop; SIGTERM is handled from the start-up on.
sleep 1
kill -TERM "$pid" 2>/dev/null || true
status=0
wait "$pid" || status=$?
pid=""
if ((status != 0)); then
  echo "smoke: $program exited with $status after SIGTERM" >&2
  cat "$home/log" >&2
  exit 1
fi
# The seed holds the settings rows that no start-up writes.
if [[ "$(sqlite3 "$database" "select count(*) from table_setting where name='fenjiCode'")" != 1 ]]; then
  echo "smoke: $program did not start from its seed database" >&2
  exit 1
fi
if grep -q '无法打开数据库' "$home/log"; then
  echo "smoke: $program did not find a database:" >&2
  cat "$home/log" >&2
  exit 1
fi
echo "smoke: $program started, made its database and ended with 0 on SIGTERM"
