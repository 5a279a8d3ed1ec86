#!/usr/bin/env bash
# Runs a command with a private PostgreSQL cluster for the tests that run the service on
# PostgreSQL: a new cluster in a temporary folder, listening only on a Unix socket there, its
# address in PLATFORM_TEST_PG (a "postgresql://" URI of its "postgres" database; each test
# makes a database of its own). The cluster is stopped and the folder removed however the
# command ends. PostgreSQL refuses to run as root: as root the cluster runs as "nobody".
# Usage: with-postgres.sh COMMAND [ARGS...]   (exit status is the command's)
set -uo pipefail

bin_dir=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1)
if [[ -z "$bin_dir" || ! -x "$bin_dir/initdb" ]]; then
  echo "with-postgres.sh: PostgreSQL is not installed (scripts/install-deps.sh)" >&2
  exit 1
fi

folder=$(mktemp -d /tmp/platform-pg-XXXXXX)
as_owner=()
if [[ $(id -u) -eq 0 ]]; then
  chown nobody "$folder"
  as_owner=(runuser -u nobody --)
fi

stop_cluster() {
  if [[ -f "$folder/data/postmaster.pid" ]]; then
    "${as_owner[@]}" "$bin_dir/pg_ctl" -D "$folder/data" -m immediate -w stop >/dev/null 2>&1
  fi
  rm -rf "$folder"
}
trap stop_cluster EXIT
trap 'exit 130' INT TERM

# Trust on the socket only: the folder is the only way in, and only its owner (and root) may
# enter it. fsync off: a test cluster needs no durability across a machine crash.
if ! "${as_owner[@]}" "$bin_dir/initdb" -D "$folder/data" -U platform -A trust -E UTF8 --no-locale \
    >"$folder/initdb.log" 2>&1; then
  cat "$folder/initdb.log" >&2
  exit 1
fi
# The settings live in the cluster's own configuration, so that a test may stop the server and
# start it again as it was (PLATFORM_TEST_PG_CTL below).
cat >>"$folder/data/postgresql.conf" <<EOF
unix_socket_directories = '$folder'
listen_addresses = ''
fsync = off
synchronous_commit = off
max_connections = 400
EOF
if ! "${as_owner[@]}" "$bin_dir/pg_ctl" -D "$folder/data" -l "$folder/server.log" -w -t 60 start >/dev/null; then
  cat "$folder/server.log" >&2
  exit 1
fi
chmod 700 "$folder"

export PLATFORM_TEST_PG="postgresql://platform@/postgres?host=$folder"
# The cluster's pg_ctl as its owner, for a test that stops and starts the server: append
# "stop -m fast -w" or "start -w". Only a test with a cluster of its own may use it (see
# tests/server/CMakeLists.txt), since every other test of the run shares this one.
export PLATFORM_TEST_PG_CTL="${as_owner[*]} $bin_dir/pg_ctl -D $folder/data -l $folder/server.log"
"$@"
