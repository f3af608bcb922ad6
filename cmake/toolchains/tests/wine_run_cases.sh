#!/usr/bin/env bash
# wine-run against a stand-in for wine that fails as told, attempt by
# attempt: what it retries (Wine's own failures, the wine process killed by
# a crash signal), what it never retries (the program's exit code, its
# exception as Wine reports it, a signal that is not a crash), and what it
# says and logs. Needs no Wine. Ends with "N passed, M failed".
set -uo pipefail
cd "$(dirname "$0")/../../.."
run=$PWD/cmake/toolchains/wine-run

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir -p "$scratch/bin" "$scratch/wine/prefix"
touch "$scratch/wine/prefix/system.reg"
# The stand-in: FAKE_WINE_PLAN lists what each attempt does (ok, exit:N,
# signal:NAME, client-error), counted in $scratch/attempts.
cat >"$scratch/bin/wine" <<'FAKE'
#!/usr/bin/env bash
n=$(($(cat "$FAKE_WINE_ATTEMPTS" 2>/dev/null || echo 0) + 1))
echo "$n" >"$FAKE_WINE_ATTEMPTS"
IFS=, read -ra plan <<<"$FAKE_WINE_PLAN"
step=${plan[$((n - 1))]:-ok}
echo "attempt $n of $1"
case $step in
  ok) exit 0 ;;
  exit:*) echo "program failed" >&2; exit "${step#exit:}" ;;
  signal:*) echo "[  PASSED  ] 1 test."; kill -s "${step#signal:}" $$ ;;
  client-error) echo "wine client error:0: write: Bad file descriptor" >&2; exit 1 ;;
esac
FAKE
chmod +x "$scratch/bin/wine"

passed=0 failed=0
# case NAME PLAN WANT_EXIT WANT_ATTEMPTS WANT_RETRIES STDERR_REGEX
case_() {
  local name=$1 plan=$2 want_exit=$3 want_attempts=$4 want_retries=$5 want_err=$6
  rm -f "$scratch/attempts" "$scratch/wine/prefix-retries.log"
  local status=0
  PATH="$scratch/bin:$PATH" WINEPREFIX="$scratch/wine/prefix" FAKE_WINE_PLAN=$plan \
    FAKE_WINE_ATTEMPTS="$scratch/attempts" "$run" program.exe >"$scratch/out" 2>"$scratch/err" </dev/null || status=$?
  local attempts retries broken=""
  attempts=$(cat "$scratch/attempts")
  retries=0
  [ -f "$scratch/wine/prefix-retries.log" ] && retries=$(wc -l <"$scratch/wine/prefix-retries.log")
  [ "$status" = "$want_exit" ] || broken+=" exit $status, expected $want_exit;"
  [ "$attempts" = "$want_attempts" ] || broken+=" $attempts attempts, expected $want_attempts;"
  [ "$retries" = "$want_retries" ] || broken+=" $retries retries logged, expected $want_retries;"
  [ -z "$want_err" ] || grep -qE -- "$want_err" "$scratch/err" || broken+=" no line of standard error matches: $want_err;"
  # Only the last attempt's output is passed on.
  [ "$(grep -c '^attempt' "$scratch/out")" = 1 ] || broken+=" output of $(grep -c '^attempt' "$scratch/out") attempts passed on;"
  if [ -z "$broken" ]; then
    passed=$((passed + 1)); echo "ok    $name"
  else
    failed=$((failed + 1)); echo "FAIL  $name:$broken"; sed 's/^/    | /' "$scratch/err"
  fi
}

case_ "a program that passes runs once" ok 0 1 0 ""
case_ "the program's exit code is passed on, not retried" exit:3 3 1 0 'program failed'
case_ "the program's crash (an exception code from Wine) is not retried" exit:5,ok 5 1 0 'program failed'
case_ "an exit code of 139 without a signal is the program's" exit:139,ok 139 1 0 'program failed'
case_ "wine killed by SIGSEGV at its exit is retried once and logged" signal:SEGV,ok 0 2 1 \
  '^wine-run: Wine failed, not the program \(the wine process died of SIGSEGV\): running program.exe once more$'
case_ "wine killed by SIGABRT is retried too" signal:ABRT,ok 0 2 1 'died of SIGABRT'
case_ "wine killed twice fails, said so" signal:SEGV,signal:BUS 135 2 1 \
  '^wine-run: Wine failed again, not the program \(the wine process died of SIGBUS\)$'
case_ "a stop signal is not a crash: no retry" signal:TERM,ok 143 1 0 ""
case_ "a Wine client error is retried once" client-error,ok 0 2 1 'wine client error:0: write'
case_ "after a retry the program's own failure stands" signal:SEGV,exit:4 4 2 1 'program failed'

echo "wine-run: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
