#!/usr/bin/env bash
# The jetdb command line: a database under a Chinese file name (on Windows the arguments
# arrive in the ANSI code page 936 and are converted at entry), the password option, the
# output of each command, and the messages and exit codes of errors.
# usage: jetdb_cli_test.sh JETDB [RUNNER]   (RUNNER: scripts/wine-run for the win64 build)
# Needs TABULON_SHARED_DIR; exits 77 (skipped) without the fixtures.
set -uo pipefail
jetdb=$1
runner=${2:-}
prefix=""
[ -n "$runner" ] && prefix="Z:"
fixtures=${TABULON_SHARED_DIR:-}/fixtures/jet4
if [ ! -f "$fixtures/passwordV2000.mdb" ]; then
  echo "SKIP: fixtures absent"
  exit 77
fi
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
db="$tmp/配置 数据.mdb"
cp "$fixtures/passwordV2000.mdb" "$db"
chmod u+w "$db"

failures=0
# expect NAME EXPECTED_STATUS EXPECTED_STDOUT EXPECTED_STDERR -- ARGS...
expect() {
  local name=$1 status=$2 out=$3 err=$4
  shift 5
  local got_out got_err got_status
  got_out=$($runner "$jetdb" "$@" 2>"$tmp/err")
  got_status=$?
  got_err=$(cat "$tmp/err")
  if [ "$got_status" != "$status" ] || [ "$got_out" != "$out" ] || [ "$got_err" != "$err" ]; then
    echo "FAIL $name: status $got_status (want $status)"
    echo "  stdout: $got_out"
    echo "  want:   $out"
    echo "  stderr: $got_err"
    echo "  want:   $err"
    failures=$((failures + 1))
  else
    echo "ok   $name"
  fi
}

expect "tables" 0 "Table1" "" -- tables "$prefix$db" --password password
expect "password before the command" 0 "Table1" "" -- --password password tables "$prefix$db"
expect "export" 0 $'ID,Data\n1,"One"\n2,"Two"\n3,"Three"' "" -- export "$prefix$db" table1 --password=password
expect "sql" 0 $'Data,n\n"Two",4' "1 record" -- sql "$prefix$db" "select Data, ID * 2 as n from Table1 where Data like 't?o'" -p password
expect "sql with a Chinese literal" 0 "ID" "0 records" -- sql "$prefix$db" "select ID from Table1 where Data = '配置'" -p password
expect "schema" 0 $'CREATE TABLE [Table1] (\n  [ID] COUNTER,\n  [Data] TEXT(255)\n);\nCREATE UNIQUE INDEX [PrimaryKey] ON [Table1] ([ID]) WITH PRIMARY;' "" -- schema "$prefix$db" Table1 -p password
expect "wrong password" 1 "" "jetdb: not a valid password" -- tables "$prefix$db" --password Password
expect "missing password" 1 "" "jetdb: not a valid password" -- tables "$prefix$db"
expect "unknown table" 1 "" "jetdb: no such table: Nope" -- export "$prefix$db" Nope -p password
expect "syntax error" 1 "" "jetdb: syntax error at character 10: expected FROM, found 'form'" -- sql "$prefix$db" "select * form Table1" -p password
expect "missing file" 1 "" "jetdb: database file not found: ${prefix}$tmp/none.mdb" -- tables "$prefix$tmp/none.mdb"
expect "usage" 2 "" "$($runner "$jetdb" 2>&1)" -- export "$prefix$db"

if [ $failures -gt 0 ]; then
  echo "$failures failed"
  exit 1
fi
echo "all passed"
