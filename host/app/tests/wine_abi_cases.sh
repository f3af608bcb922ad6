#!/usr/bin/env bash
# vesk_host.exe under Wine driving the scripts of one C++ layout: the
# bundled session against the native golden transcripts, validation with
# each check in a child process, the faulty scripts caught with the same
# statuses as on Linux, the layout read from the file or learned from the
# script's first call, and a wrong --abi reported, never run.
# Usage: host/app/tests/wine_abi_cases.sh gnu|msvc   (after script/windows or
# script/msvc has built the binaries). Ends with "N passed, M failed".
set -uo pipefail
cd "$(dirname "$0")/../../.."

layout=${1:?gnu or msvc}
run=cmake/toolchains/wine-run
host=build-mingw/bin/vesk_host.exe
golden=host/app/tests/golden
plant=(--plant examples/rig_vue/plant.toml)
session=(run "${plant[@]}" --session examples/rig_vue/session.vesk)
if [ "$layout" = msvc ]; then
  scripts=build-msvc/bin other=gnu slot=1
else
  scripts=build-mingw/host/tests other=msvc slot=2
  # The faulty scripts find the MinGW vesk_string.dll in the programs' folder.
  bin=$PWD/build-mingw/bin
  export WINEPATH="Z:${bin//\//\\}"
fi
rig=build-$([ "$layout" = msvc ] && echo msvc || echo mingw)/bin/Rig_Vue.dll
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

passed=0 failed=0 name="" broken=""
out=$scratch/out err=$scratch/err

# case NAME EXIT ARGS...: runs vesk_host.exe ARGS; the wants that follow judge it.
case_() {
  finish
  name=$1 broken=""
  local want_exit=$2
  shift 2
  local status=0
  (cd "$scratch" && "$OLDPWD/$run" "$OLDPWD/$host" "$@") >"$out" 2>"$err" </dev/null || status=$?
  # Standard error is in text mode on Windows: its lines end in CR LF.
  sed -i 's/\r$//' "$err"
  [ "$status" -eq "$want_exit" ] || broken+="  exit code $status, expected $want_exit"$'\n'
}
# want out|err REGEX: some line of that stream matches (grep -E).
want() {
  local file=$out
  [ "$1" = err ] && file=$err
  grep -qE -- "$2" "$file" || broken+="  no line of standard $1 matches: $2"$'\n'
}
# same FILE: standard output equals FILE byte for byte.
same() { cmp -s "$1" "$out" || broken+="  standard output differs from $1: $(diff "$1" "$out" | head -5)"$'\n'; }
finish() {
  [ -n "$name" ] || return 0
  if [ -z "$broken" ]; then
    passed=$((passed + 1))
    echo "ok    $name"
  else
    failed=$((failed + 1))
    echo "FAIL  $name"
    printf '%s' "$broken"
    echo "  standard output (last lines):"; tail -15 "$out" | sed 's/^/    | /'
    echo "  standard error (last lines):"; tail -15 "$err" | sed 's/^/    | /'
  fi
  name=""
}

# Absolute Windows paths: each case runs in a scratch folder of its own.
win() { echo "Z:$(cd "$(dirname "$1")" && pwd)/$(basename "$1")"; }
rig=$(win "$rig")
plant=(--plant "$(win examples/rig_vue/plant.toml)")
session=(run "${plant[@]}" --session "$(win examples/rig_vue/session.vesk)")
faulty() { win "$scripts/faulty_$1.dll"; }
plain() { win "$scripts/plain_script$1.dll"; }
validate=(validate "${plant[@]}")
empty=(--session "$(win host/testing/data/empty_session.vesk)")

case_ "session: text transcript equals the native golden one" 0 \
  "${session[@]}" --golden "$(win $golden/rig_vue_session.txt)" "$rig"
same $golden/rig_vue_session.txt
want err "^vesk_host: abi $layout \\(imports (\\?|_Z)[^ ]+ from vesk_string\\.dll\\)$"

case_ "session: JSON transcript equals the native golden one, then the abi line" 0 \
  "${session[@]}" --json --golden "$(win $golden/rig_vue_session.jsonl)" "$rig"
want out "^\\{\"kind\":\"abi\",\"depth\":0,\"abi\":\"$layout\",\"reason\":\"imports "
[ "$(grep -vc '"kind":"abi"' "$out")" = "$(wc -l <$golden/rig_vue_session.jsonl)" ] ||
  broken+="  the JSON lines other than the abi line are not the golden ones"$'\n'

case_ "validate: every check passes, each in a child process" 0 "${validate[@]}" "$rig"
want out "each check in a child process"
want out "heap in use after loads 20: [0-9]+, 30: [0-9]+, .* bytes \\(HeapWalk"
want out "^SUCCESS: 25 checks: 25 passed, 0 warned, 0 skipped, 0 failed, 0 crashed, 0 timed out"

case_ "validate --json: the layout and the isolation in the report" 0 "${validate[@]}" --json --only '^codes' "$rig"
want out "\"isolation\":\"process\",\"strict\":false,\"abi\":\"$layout\",\"abi_reason\":\"imports "

case_ "faulty: a crash on code 6 is CRASH with the exception code" 1 \
  "${validate[@]}" --only '^codes\.[67]$' "$(faulty crashes_on_code_6)"
want out "^  CRASH   codes\\.6 "
want out "script-crashed: the script died of access violation 0xC0000005, a read or write of memory it does not own, during code 6 with a pointer to 256 zero bytes"
want out "\\| host > script  6  a pointer to 256 zero bytes"
want out "^  PASS    codes\\.7 "
want out "^FAILURE: 2 checks: 1 passed, 0 warned, 0 skipped, 0 failed, 1 crashed, 0 timed out"

case_ "faulty: a hang in a tick is TIMEOUT, and the run goes on" 1 \
  "${validate[@]}" --timeout 1 --only '^(codes.[34]|timers)' "$(faulty hangs_in_tick)"
want out "^  TIMEOUT codes\\.4 "
want out "\\| host > script  4  timer 1 at 0 ms"
want out "^  TIMEOUT timers\\.unknown-ids "
want out "^FAILURE: 3 checks: 1 passed, 0 warned, 0 skipped, 0 failed, 0 crashed, 2 timed out"

case_ "faulty: a reply never handed back fails release.every-reply" 1 \
  "${validate[@]}" --only release.every "$(faulty keeps_reply)"
want out "^  FAIL    release\\.every-reply "
want out "release-missing: the reply \"21\" to \"SD 'ZEP SDI Router'\" was not handed back by the end of start-up"

case_ "faulty: a reply handed back twice fails release.every-reply" 1 \
  "${validate[@]}" --only release.every "$(faulty hands_back_twice)"
want out "release-twice: the reply \"21\" to \"SD 'ZEP SDI Router'\" was handed back a second time"

case_ "faulty: a block leaked at every load fails load.repeat" 1 \
  "${validate[@]}" --only load.repeat "$(faulty leaks_per_load)"
want out "^  FAIL    load\\.repeat "
want out "the heap grew by [0-9]+ bytes over 80 loads"

case_ "faulty: commands after \"AS\" fail end.after-as" 1 \
  "${validate[@]}" --only '^(load.basic|end)' "$(faulty sends_after_end)"
want out "command-after-end: \"RU 21\" came after \"AS\""

case_ "faulty: one buffer answering every query fails release.answers" 1 \
  "${validate[@]}" --only release.answers "$(faulty static_answer)"
want out "answer-reused: the answer to the parent query \"\" is the pointer of the answer to null"

case_ "detection: no clue in the file, the layout learned from slot $slot" 0 \
  run "${plant[@]}" "${empty[@]}" "$(plain "")"
want err "^vesk_host: abi $layout \\(learned: its first call came through slot $slot of the host's table"
want out "^  script > host  0  \"SD 'ZEP SDI Router'\"  ->  \"21\"$"
want out "^  script > host  0  \"AS\"  ->  null$"

case_ "detection: learned in the validator too, before the checks" 0 \
  "${validate[@]}" --only load.basic "$(plain "")"
want err "^vesk_host validate: abi $layout \\(learned: its first call came through slot $slot"
want out "^  PASS    load\\.basic "

case_ "detection: no clue and no call at load stops with exit 4" 4 run "${empty[@]}" "$(plain _silent)"
want err "no call during load_vesk_client_script, so its C\\+\\+ layout cannot be learned: name it with --abi"

case_ "detection: no clue and no call at load, validate cannot run" 4 "${validate[@]}" "$(plain _silent)"
want err "cannot be learned: name it with --abi"

case_ "detection: --abi $layout drives the silent script" 0 run "${empty[@]}" --abi "$layout" "$(plain _silent)"
want err "^vesk_host: abi $layout \\(--abi $layout\\)$"
want out "^  script > host  0  \"AS\"  ->  null$"

case_ "wrong --abi $other: run stops at the script's first call, exit 4" 4 \
  run "${plant[@]}" "${empty[@]}" --abi "$other" "$rig"
want err "^vesk_host: warning: the file suggests $layout"
want err "it was built for $layout, not $other \\(run with --abi $layout or --abi auto\\)"

case_ "wrong --abi $other: validate reports it from each check's child process" 1 \
  "${validate[@]}" --abi "$other" --only '^(load\.basic|load\.null-host|codes\.6)$' "$rig"
want out "each check in a child process"
want out "^  FAIL    load\\.basic "
want out "it was built for $layout, not $other"
want out "^  FAIL    codes\\.6 "
# With a null host the script cannot call, so nothing shows the layout there:
# that check may pass, crash or fail; the run fails all the same.
want out "^FAILURE: 3 checks: "

case_ "output: what the script prints, and its debugPrint, show at the call that wrote them" 0 \
  run "${plant[@]}" --session "$(win host/testing/data/few_events.vesk)" "$(faulty prints_and_debugs)"
want out "^  script printed  pressed$"
want out "^  script printed  debugPrint: pressed$"
[ "$(grep -c "^  script printed  " "$out")" = 4 ] ||
  broken+="  not four lines the script printed (two presses): $(grep -c '^  script printed  ' "$out")"$'\n'

# The script in a worker process: its crash, exit and hang end the worker,
# never vesk_host.exe, and are named with the call, in the words of the
# native build (MinGW scripts only).
if [ "$layout" = gnu ]; then
  for press in WFM_Mon Audio_Mon "Sources index=1"; do
    echo "press $press" >"$scratch/${press%% *}.vesk"
  done
  pressing=(run "${plant[@]}" --timeout 1 --session)
  case_ "worker: a crash is script-crashed with its call" 1 \
    "${pressing[@]}" "$(win "$scratch/WFM_Mon.vesk")" "$(faulty faults_on_press)"
  want out "^!! VIOLATION script-crashed: the script died of access violation 0xC0000005, a read or write of memory it does not own, during control event \"WFM_Mon\" \"\" \\(line 1: press WFM_Mon\\)"
  want err "^vesk_host: the script ended the run: script-crashed: "
  case_ "worker: exit(7) is script-ended with its call" 1 \
    "${pressing[@]}" "$(win "$scratch/Audio_Mon.vesk")" "$(faulty faults_on_press)"
  want out "^!! VIOLATION script-ended: the script ended the process with exit\\(\\), during control event \"Audio_Mon\""
  case_ "worker: a hang is call-timeout and the worker is ended" 1 \
    "${pressing[@]}" "$(win "$scratch/Sources.vesk")" "$(faulty faults_on_press)"
  want out "^!! VIOLATION call-timeout: the script did not return within 1 s \\(hung, or far too slow\\), during control event \"Sources\""
fi

if [ "$layout" = msvc ]; then
  case_ "detection: a runtime DLL as the only clue" 0 run "${empty[@]}" "$(plain _runtime)"
  want err "^vesk_host: abi msvc \\(imports vcruntime140\\.dll\\)$"
fi

finish
echo "vesk_host.exe with $layout scripts under Wine: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
