#!/usr/bin/env bash
# A real DAW test: Ardour 7, headless on its Dummy backend, renders a WAV file through
# Korvo-EQ (the Linux VST module, the VST3 bundle or the LV2 bundle), and its output must equal the
# project's reference render bit for bit. Then the saved session is reopened and must
# give the plug-in back its settings (from the state Ardour stored) and the same render.
#
#   tests/ardour/run-ardour-test.sh MODULE REFERENCE_RENDER_CMD INPUT.wav WORKDIR
#
# MODULE                the KorvoEQ.so (Linux VST), the KorvoEQ.vst3 or the KorvoEQ.lv2 bundle
# REFERENCE_RENDER_CMD  a command that renders INPUT into OUTPUT with the settings
#                       below; bash runs it with the two paths appended as quoted words,
#                       e.g. "build/linux/korvo render --set A-Freq=0.045n --set A-Gain=0.8n
#                       --set HS-Gain=0.75n" (see README.md for tools that want them first)
# INPUT.wav             stereo 32-bit float WAV at 48000 Hz
# WORKDIR               scratch folder: the session, the renders and the logs go there
#
# Exits 0 when every check passes; otherwise prints one line saying why and exits 1
# (2 for bad usage). Needs Debian's `ardour` (7.x) and `python3`; no display, no sound
# card, no network. README.md says how the session is kept neutral.
set -euo pipefail

# Korvo-EQ settings: index=value; the rest stay at their defaults. A Linux VST takes
# them normalised, as the host sees them (2 A-Freq 0.045 = 1000 Hz, 3 A-Gain 0.8 =
# +12 dB, 9 HS-Gain 0.75 = +10 dB); Ardour sets a VST3 plug-in's values in their units,
# so for a bundle KORVO_SETTINGS gives them so ("2=1000,3=12,9=10"), and
# KORVO_EXPECTED_STATE names a bank file (.fxb) the reference render saved with the same
# settings: the VST2 module's chunk, which the saved VST3 state must equal byte for byte.
# An LV2 plug-in's values are its control ports, in their units too; its whole state,
# which the saved session must hold as given.
SETTINGS=${KORVO_SETTINGS:-"2=0.045,3=0.8,9=0.75"}
ARDOUR_TIMEOUT=${ARDOUR_TIMEOUT:-120}       # seconds for each Ardour run
REFERENCE_TIMEOUT=${REFERENCE_TIMEOUT:-120} # seconds for the reference render

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
ardour_lib=/usr/lib/ardour7

fail() {
    echo "FAIL: $*" >&2
    exit 1
}
step() { echo "== $*"; }

if [[ $# -ne 4 ]]; then
    echo "usage: $0 MODULE REFERENCE_RENDER_CMD INPUT.wav WORKDIR" >&2
    exit 2
fi
module=$1
reference_cmd=$2
input=$3
workdir=$4

if [[ -d $module && $module == *.lv2 ]]; then
    format=lv2
    expected_state=$SETTINGS
elif [[ -d $module && $module == *.vst3 ]]; then
    format=vst3
    expected_state=${KORVO_EXPECTED_STATE:-}
    [[ -n $expected_state ]] || fail "a VST3 bundle needs KORVO_EXPECTED_STATE, the bank file of the reference settings"
elif [[ -f $module ]]; then
    format=lxvst
    expected_state=$SETTINGS
else
    fail "no module, VST3 or LV2 bundle at $module"
fi
[[ -f $input ]] || fail "no input file at $input"
[[ -n $reference_cmd ]] || fail "the reference render command is empty"
command -v ardour7-lua >/dev/null || fail "ardour7-lua not found: install Debian's 'ardour' package"
scanner=$ardour_lib/ardour-vst-scanner
[[ $format != vst3 ]] || scanner=$ardour_lib/ardour-vst3-scanner
[[ $format == lv2 || -x $scanner ]] || fail "$scanner not found: install Debian's 'ardour' package"
command -v python3 >/dev/null || fail "python3 not found"

module=$(cd "$(dirname "$module")" && pwd)/$(basename "$module")
input=$(cd "$(dirname "$input")" && pwd)/$(basename "$input")
mkdir -p "$workdir"
workdir=$(cd "$workdir" && pwd)

# Everything this run writes lives in these folders under WORKDIR; clear them first.
home=$workdir/home          # HOME and XDG folders of every Ardour process
vst_dir=$workdir/lxvst      # LXVST_PATH: a copy of the module, alone
lv2_dir=$workdir/lv2        # LV2_PATH: a copy of the LV2 bundle, alone
session_dir=$workdir/session
export_dir=$workdir/renders
log_dir=$workdir/logs
rm -rf "$home" "$vst_dir" "$lv2_dir" "$session_dir" "$export_dir" "$log_dir"
mkdir -p "$home/.config/ardour7/scripts" "$home/.config/ardour7/export" "$home/.cache" \
    "$home/.local/share" "$home/vst3" "$vst_dir" "$lv2_dir" "$export_dir" "$log_dir"

# --- running things with a time limit, leaving nothing behind ---------------------------
# Each command runs under `timeout`, which puts it in a process group of its own; on
# exit or interruption that group (and only it) is ended.
running_pid=""
stop_running() {
    if [[ -n $running_pid ]]; then
        kill -TERM -- "-$running_pid" 2>/dev/null || true
        sleep 1
        kill -KILL -- "-$running_pid" 2>/dev/null || true
        running_pid=""
    fi
}
trap stop_running EXIT
trap 'stop_running; echo "FAIL: interrupted" >&2; exit 1' INT TERM

# run_limited SECONDS LOG COMMAND...: runs COMMAND, output to LOG; answers its status
# (124 when it ran out of time).
run_limited() {
    local limit=$1 log=$2
    shift 2
    timeout --kill-after=10 "$limit" "$@" >"$log" 2>&1 &
    running_pid=$!
    local status=0
    wait "$running_pid" 2>/dev/null || status=$?
    running_pid=""
    return "$status"
}

# The environment of every Ardour process: a scratch home, no display, and our module
# alone on the path of its format (the other paths are empty folders).
ardour_env=(
    env -u DISPLAY -u WAYLAND_DISPLAY
    HOME="$home"
    XDG_CONFIG_HOME="$home/.config"
    XDG_CACHE_HOME="$home/.cache"
    XDG_DATA_HOME="$home/.local/share"
    LXVST_PATH="$vst_dir"
    VST3_PATH="$home/vst3"
    LV2_PATH="$lv2_dir"
    LD_LIBRARY_PATH="$ardour_lib"
    KORVO_PLUGIN_FORMAT="$format"
)

# ardour_run NAME OUTPUT... -- ARGS...: one ardour7-lua run of korvo-session.lua with
# ARGS; the OUTPUT files or folders it makes are removed first. Its lines tagged [ardour]
# are shown, the whole output is kept in the log. Ardour 7.3's export from ardour7-lua
# now and then corrupts the heap and dies by a signal, with or without the plug-in in the
# session; such a run is tried again, up to ARDOUR_ATTEMPTS times, and counted.
ARDOUR_ATTEMPTS=${ARDOUR_ATTEMPTS:-3}
ardour_crashes=0
ardour_run() {
    local name=$1
    shift
    local outputs=()
    while [[ $1 != -- ]]; do
        outputs+=("$1")
        shift
    done
    shift
    local log=$log_dir/$name.log attempt status why
    for ((attempt = 1; ; attempt++)); do
        rm -rf "${outputs[@]}"
        status=0
        run_limited "$ARDOUR_TIMEOUT" "$log" "${ardour_env[@]}" ardour7-lua "$here/korvo-session.lua" "$@" || status=$?
        grep '^\[ardour\]' "$log" | sed 's/^\[ardour\] /   /' || true
        why=$(grep -m1 '^Error: ' "$log" | sed 's/^Error: //' || true)
        if [[ $status -eq 124 || $status -eq 137 ]]; then
            fail "Ardour ($name) did not finish within ${ARDOUR_TIMEOUT} s; see $log"
        elif [[ -n $why ]]; then
            fail "Ardour ($name): $why; see $log"
        elif [[ $status -eq 0 ]]; then
            return 0
        elif [[ $status -gt 128 && $attempt -lt $ARDOUR_ATTEMPTS ]]; then
            ardour_crashes=$((ardour_crashes + 1))
            mv "$log" "$log_dir/$name.crash$attempt.log"
            echo "   Ardour crashed (signal $((status - 128)), see $log_dir/$name.crash$attempt.log); trying again ($((attempt + 1)) of $ARDOUR_ATTEMPTS)"
        elif [[ $status -gt 128 ]]; then
            fail "Ardour ($name) crashed (signal $((status - 128))) in all $ARDOUR_ATTEMPTS attempts; see $log"
        else
            fail "Ardour ($name) exited with status $status; see $log"
        fi
    done
}

# compare NAME RENDER: the render's sample data must equal the reference's. Ardour mixes
# the plug-in's output with silence on the way to the export, which makes a -0.0 +0.0:
# the only difference let by.
compare() {
    local name=$1 render=$2 result status=0
    [[ -f $render ]] || fail "Ardour ($name) wrote no file $render"
    result=$(python3 "$here/wavdata.py" compare --summed "$reference" "$render") || status=$?
    [[ $status -eq 0 ]] || fail "Ardour's $name render differs from the reference: $result"
    echo "   $name render vs reference: $result"
}

started=$SECONDS

# --- 1. the input and the reference render -------------------------------------------
step "input"
result=$(python3 "$here/wavdata.py" extract "$input" "$workdir/input.raw") || fail "the input cannot be used: $result"
echo "   $result"

step "reference render: $reference_cmd INPUT OUTPUT"
reference=$workdir/reference.wav
rm -f "$reference"
[[ $format != vst3 ]] || rm -f "$expected_state"
status=0
run_limited "$REFERENCE_TIMEOUT" "$log_dir/reference.log" \
    bash -c "$reference_cmd"' "$@"' reference-render "$input" "$reference" || status=$?
[[ $status -ne 124 && $status -ne 137 ]] || fail "the reference render did not finish within ${REFERENCE_TIMEOUT} s"
[[ $status -eq 0 ]] || fail "the reference render failed (status $status): $(tail -n 1 "$log_dir/reference.log" | grep . || echo "no output")"
[[ -f $reference ]] || fail "the reference render wrote no $reference"
[[ $format != vst3 || -f $expected_state ]] || fail "the reference render saved no $expected_state"
result=$(python3 "$here/wavdata.py" extract "$reference" /dev/null) || fail "the reference render is unusable: $result"

# --- 2. make the module visible to Ardour --------------------------------------------
# Ardour lists a Linux VST only from LXVST_PATH and only once its scanner has cached it.
# The scanner stamps the cache with the current time in whole seconds and Ardour ignores
# a cache older than the module, so the copy is dated a little in the past first. An LV2
# bundle needs no scan: Ardour reads the descriptions on LV2_PATH when it starts.
if [[ $format == lv2 ]]; then
    step "the LV2 bundle on LV2_PATH"
    cp -R "$module" "$lv2_dir/"
    echo "   $lv2_dir/$(basename "$module")"
else
    step "scanning the module"
    if [[ $format == lxvst ]]; then
        installed=$vst_dir/KorvoEQ.so
        cp "$module" "$installed"
    else
        installed=$home/vst3/KorvoEQ.vst3
        cp -R "$module" "$installed"
    fi
    find "$installed" -exec touch -h -d "@$(($(date +%s) - 60))" {} +
    status=0
    run_limited 60 "$log_dir/scan.log" "${ardour_env[@]}" "$scanner" -f "$installed" || status=$?
    grep -q "Found Plugin: .*Korvo-EQ" "$log_dir/scan.log" ||
        fail "Ardour's scanner did not find Korvo-EQ in $(basename "$installed") (status $status): $(tail -n 1 "$log_dir/scan.log")"
    sed 's/^/   /' "$log_dir/scan.log"
fi

cp "$here/korvo-test-player.lua" "$home/.config/ardour7/scripts/"
cp "$here/korvo-float-wav.format" "$here/korvo-float-wav.preset" "$home/.config/ardour7/export/"

# --- 3. render in a new session, save it ---------------------------------------------
snapshot=korvo-test
step "Ardour: new session, render, save"
ardour_run render "$session_dir" "$export_dir/ardour.wav" -- create "$session_dir" "$snapshot" "$workdir/input.raw" "$export_dir" ardour "$SETTINGS"
compare "first" "$export_dir/ardour.wav"
[[ -f $session_dir/$snapshot.ardour ]] || fail "Ardour saved no session file $session_dir/$snapshot.ardour"
chunk_report=$(python3 "$here/session_state.py" "$format" chunk "$session_dir/$snapshot.ardour" "$expected_state") ||
    fail "the saved session's chunk is wrong: $(echo "$chunk_report" | tail -n 1)"
sed 's/^/   /' <<<"$chunk_report"

# --- 4. reopen the saved session ------------------------------------------------------
step "Ardour: reopen the saved session, render"
ardour_run reopen "$session_dir/reopened.ardour" "$export_dir/reopened.wav" -- reopen "$session_dir" "$snapshot" "$workdir/input.raw" "$export_dir" reopened "$SETTINGS" reopened
compare "reopened" "$export_dir/reopened.wav"
chunk_report=$(python3 "$here/session_state.py" "$format" chunk "$session_dir/reopened.ardour" "$expected_state") ||
    fail "after reopening, the plug-in's chunk is wrong: $(echo "$chunk_report" | tail -n 1)"
sed 's/^/   /' <<<"$chunk_report"

# --- 5. the same, with the settings only in the chunk ----------------------------------
# Ardour also saves each parameter's value beside the chunk; with those reset to the
# defaults, the settings can come back only through the plug-in's own chunk (for LV2,
# the ports' values Ardour keeps as the plug-in's state).
kept="the chunk"
[[ $format != lv2 ]] || kept="the plug-in's saved ports"
step "Ardour: reopen with the settings in $kept alone, render"
result=$(python3 "$here/session_state.py" "$format" chunk-only "$session_dir/$snapshot.ardour" "$session_dir/chunk-only.ardour") ||
    fail "could not write the chunk-only snapshot: $result"
echo "   $result"
ardour_run chunk-only "$session_dir/chunk-only-reopened.ardour" "$export_dir/chunk-only.wav" -- reopen "$session_dir" chunk-only "$workdir/input.raw" "$export_dir" chunk-only "$SETTINGS" chunk-only-reopened
compare "chunk-only" "$export_dir/chunk-only.wav"
chunk_report=$(python3 "$here/session_state.py" "$format" chunk "$session_dir/chunk-only-reopened.ardour" "$expected_state") ||
    fail "after reopening from the chunk alone, the plug-in's chunk is wrong: $(echo "$chunk_report" | tail -n 1)"
sed 's/^/   /' <<<"$chunk_report"

crash_note=""
[[ $ardour_crashes -eq 0 ]] || crash_note="; Ardour crashed and was rerun $ardour_crashes time(s)"
echo "PASS: Ardour renders through $(basename "$module") bit for bit like the reference, and the saved session restores it ($((SECONDS - started)) s$crash_note)"
