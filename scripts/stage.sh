# Staged output for the scripts that a newcomer runs first (sourced, not run): each stage is one
# line with its elapsed time, and what the stage's own programs print (the package manager, CMake,
# the compilers) goes to a log under build/logs/. A failing stage prints the tail of its log and the
# log's path. On a terminal a running stage shows a progress figure and the seconds so far on its
# line; elsewhere (CI) the line is written in two plain pieces, the label when the stage starts and
# the time when it ends. QX_VERBOSE=1 lets the programs' output through as well.

stage_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
QX_LOGS=${QX_LOGS:-$stage_root/build/logs}

stage_on_terminal() { [ -t 1 ] && [ "${TERM:-dumb}" != dumb ] && [ -z "${QX_VERBOSE:-}" ]; }

# "7 s", "2 min 05 s"
stage_duration() {
  local s=$1
  if ((s < 60)); then printf '%d s' "$s"; else printf '%d min %02d s' $((s / 60)) $((s % 60)); fi
}

# What a log says about how far its stage has got: ninja's "[n/m]", or the packages set up so far.
stage_progress() {
  local log=$1 step count
  [ -f "$log" ] || return 0
  step=$(tail -c 4096 "$log" 2>/dev/null | grep -oE '^\[[0-9]+/[0-9]+\]' | tail -n 1)
  if [ -n "$step" ]; then printf '%s ' "$step"; return 0; fi
  count=$(grep -c '^Setting up ' "$log" 2>/dev/null)
  if ((count > 0)); then printf '%d set up ' "$count"; fi
  return 0
}

stage_ticker_pid=
stage_stop_ticker() {
  if [ -n "$stage_ticker_pid" ]; then
    kill "$stage_ticker_pid" 2>/dev/null
    wait "$stage_ticker_pid" 2>/dev/null
    stage_ticker_pid=
  fi
}
trap stage_stop_ticker EXIT

# Seconds the last stage took (for a caller's own summary).
STAGE_SECONDS=0

# run_stage LABEL LOG COMMAND...   runs COMMAND with its output in LOG; returns its exit code.
run_stage() {
  local label=$1 log=$2 start=$SECONDS rc
  shift 2
  mkdir -p "$(dirname "$log")"
  : >"$log"
  if stage_on_terminal; then
    (
      while :; do
        printf '\r\033[K%s ... %s%s' "$label" "$(stage_progress "$log")" "$(stage_duration $((SECONDS - start)))"
        sleep 1
      done
    ) &
    stage_ticker_pid=$!
    "$@" </dev/null >>"$log" 2>&1
    rc=$?
    stage_stop_ticker
    printf '\r\033[K%s ... ' "$label"
  elif [ -n "${QX_VERBOSE:-}" ]; then
    printf '%s ...\n' "$label"
    "$@" </dev/null 2>&1 | tee -a "$log"
    rc=${PIPESTATUS[0]}
    printf '%s ... ' "$label"
  else
    printf '%s ... ' "$label"
    "$@" </dev/null >>"$log" 2>&1
    rc=$?
  fi
  STAGE_SECONDS=$((SECONDS - start))
  if ((rc == 0)); then
    printf '%s\n' "$(stage_duration "$STAGE_SECONDS")"
  else
    printf 'failed after %s (exit code %d)\n' "$(stage_duration "$STAGE_SECONDS")" "$rc"
    tail -n "${QX_LOG_TAIL:-30}" "$log" | sed 's/^/  | /'
    printf '  the whole log: %s\n' "$log"
  fi
  return "$rc"
}
