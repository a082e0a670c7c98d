# Shared by scripts/setup, scripts/test and scripts/play (sourced, not run).
# Paths, the private X display, the prefix's wineserver, and the two builds:
#   <build>      the product, 32-bit: <build>/Pelorin.exe, with its tests; the
#                suites run against it where 32-bit programs start natively
#   <build>/x64  the same sources built 64-bit, with the same tests: 64-bit
#                Wine runs them natively where the kernel cannot run 32-bit code

PELORIN_REPO=$(cd "$(dirname "$(readlink -f "${BASH_SOURCE[0]}")")/.." && pwd)
PELORIN_BUILD=${PELORIN_BUILD_DIR:-$PELORIN_REPO/build}
PELORIN_BUILD64=$PELORIN_BUILD/x64
PELORIN_WINE_RUN=$PELORIN_REPO/scripts/wine-run
# scripts/wine-run and CTest's runs of it must use the same tree.
export PELORIN_BUILD_DIR=$PELORIN_BUILD

pelorin_log() { echo "${PELORIN_LOG_TAG:-pelorin}: $*" >&2; }

# Host path -> Windows path (drive Z: is the host's root in every Wine prefix).
pelorin_windows_path() {
    local p
    p=$(readlink -f -- "$1") || p=$1
    printf 'Z:%s\n' "${p//\//\\}"
}

# 32-bit programs in the prefix: "fast" (they start in seconds), "slow" (they
# run, emulated: on kernels without 32-bit support, Wine's 32-bit half runs
# under qemu-i386, a minute or more per start) or "no". From scripts/setup's check.
pelorin_i386_speed() {
    local state secs
    read -r state secs <"$PELORIN_BUILD/wineprefix/.pelorin-i386" 2>/dev/null
    if [ "$state" != ok ]; then
        echo no
    elif [ "${secs:-999}" -le 15 ]; then
        echo fast
    else
        echo slow
    fi
}

# --- private X server ---------------------------------------------------------

# pelorin_xvfb_start STATEDIR: reuses the Xvfb recorded in STATEDIR while it is
# up, else starts one on a free display. Exports DISPLAY.
pelorin_xvfb_start() {
    local dir=$1 pid d i
    mkdir -p "$dir"
    pid=$(cat "$dir/pid" 2>/dev/null)
    d=$(cat "$dir/display" 2>/dev/null)
    if [ -n "$pid" ] && [ -n "$d" ] && [ "$(ps -o comm= -p "$pid" 2>/dev/null)" = Xvfb ] &&
        [ -S "/tmp/.X11-unix/X$d" ]; then
        export DISPLAY=:$d
        return 0
    fi
    rm -f "$dir/pid" "$dir/display"
    # -displayfd: Xvfb takes a free display and reports it once it accepts clients.
    Xvfb -displayfd 9 -screen 0 1280x1024x24 -nolisten tcp 9>"$dir/display.new" >"$dir/xvfb.log" 2>&1 </dev/null &
    pid=$!
    for ((i = 0; i < 100; i++)); do
        d=$(tr -dc 0-9 <"$dir/display.new" 2>/dev/null)
        [ -n "$d" ] && break
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
    done
    rm -f "$dir/display.new"
    if [ -z "$d" ]; then
        pelorin_log "Xvfb did not start, see $dir/xvfb.log"
        kill "$pid" 2>/dev/null
        return 1
    fi
    echo "$pid" >"$dir/pid"
    echo "$d" >"$dir/display"
    export DISPLAY=:$d
}

# pelorin_stop_process PIDFILE COMMAND: ends the process the file names, if it
# still is that command (a pid may have been reused), waiting up to 5 s.
pelorin_stop_process() {
    local pid
    pid=$(cat "$1" 2>/dev/null)
    if [ -n "$pid" ] && [ "$(ps -o comm= -p "$pid" 2>/dev/null)" = "$2" ]; then
        kill "$pid" 2>/dev/null
        for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    fi
}

pelorin_xvfb_stop() {
    pelorin_stop_process "$1/pid" Xvfb
    rm -f "$1/pid" "$1/display"
}

# pelorin_wm_start STATEDIR: runs a window manager (Openbox) on $DISPLAY, as a
# user's desktop has one: windows get frames and captions, and a program that
# ends does not wait for a manager to answer. Returns once it manages the
# screen. Its output goes to STATEDIR/wm.log.
pelorin_wm_start() {
    local dir=$1 pid i
    mkdir -p "$dir"
    # Our own empty configuration home: no user menus or autostart, and the
    # user's own settings stay out.
    XDG_CONFIG_HOME=$dir/config openbox --sm-disable >"$dir/wm.log" 2>&1 </dev/null &
    pid=$!
    echo "$pid" >"$dir/wm.pid"
    # A manager announces itself on the root window (_NET_SUPPORTING_WM_CHECK).
    for ((i = 0; i < 100; i++)); do
        xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && return 0
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
    done
    pelorin_log "the window manager did not start, see $dir/wm.log"
    pelorin_wm_stop "$dir"
    return 1
}

pelorin_wm_stop() {
    pelorin_stop_process "$1/wm.pid" openbox
    rm -f "$1/wm.pid"
}

# --- the prefix's wineserver --------------------------------------------------

# A persistent server saves every Wine start from setting up a new one. Its
# output goes to a file: otherwise it, and the desktop and service processes
# that the first program starts, hold the caller's pipe open and a run through
# a pipe (CTest's, CI's) never ends. The warm-up starts those processes here,
# with their output in the same file.
pelorin_wineserver_start() {
    local log=$PELORIN_BUILD/wineserver.log
    "$PELORIN_WINE_RUN" wineserver -p >>"$log" 2>&1 </dev/null
    "$PELORIN_WINE_RUN" cmd /c exit >>"$log" 2>&1 </dev/null
}

pelorin_wineserver_stop() {
    "$PELORIN_WINE_RUN" wineserver -k >/dev/null 2>&1 </dev/null
    "$PELORIN_WINE_RUN" wineserver -w >/dev/null 2>&1 </dev/null
}

# --- builds -------------------------------------------------------------------

# pelorin_configure DIR [cmake -D options...]: configures DIR, quietly unless it fails.
pelorin_configure() {
    local dir=$1 log
    shift
    mkdir -p "$dir"
    log=$dir/configure.log
    cmake -S "$PELORIN_REPO" -B "$dir" "$@" >"$log" 2>&1 || {
        cat "$log" >&2
        return 1
    }
}

# Which build the suites run against: "i686", the 32-bit product itself
# (<build>, whose tests use <build>/Pelorin.exe), where 32-bit programs start
# quickly; else "x86_64", the 64-bit build of the same sources (<build>/x64).
# PELORIN_TEST_ARCH=i686 or x86_64 chooses.
pelorin_test_arch() {
    case "${PELORIN_TEST_ARCH:-}" in
    i686 | x86_64) echo "$PELORIN_TEST_ARCH" ;;
    *) if [ "$(pelorin_i386_speed)" = fast ]; then echo i686; else echo x86_64; fi ;;
    esac
}

# The build tree of an architecture.
pelorin_build_dir() {
    if [ "$1" = i686 ]; then echo "$PELORIN_BUILD"; else echo "$PELORIN_BUILD64"; fi
}

# The 32-bit tree: the product, <build>/Pelorin.exe, and the same tests as the
# 64-bit tree. ARGS go to cmake --build (without them, everything is built).
pelorin_build_i686() {
    pelorin_configure "$PELORIN_BUILD" -DPELORIN_ARCH=i686 -DPELORIN_TESTS=ON &&
        cmake --build "$PELORIN_BUILD" -j"$(nproc)" "$@" -- --no-print-directory
}

# The product alone.
pelorin_build_product() {
    pelorin_build_i686 --target Pelorin
}

# The 64-bit build with the tests: <build>/x64. ARGS go to cmake --build.
pelorin_build_tests() {
    local i386_exe= speed
    # Where the suites run against the 64-bit build, the 32-bit product still
    # gets its own end-to-end check (test pelorin_i386). PELORIN_I386=on runs
    # it wherever 32-bit programs run, =off never; by default only where they
    # start quickly: emulated, the check alone takes longer than the whole suite.
    speed=$(pelorin_i386_speed)
    if [ "$(pelorin_test_arch)" = x86_64 ]; then
        case "${PELORIN_I386:-auto}:$speed" in
        on:fast | on:slow | auto:fast) i386_exe=$PELORIN_BUILD/Pelorin.exe ;;
        auto:slow)
            [ $# -eq 0 ] && pelorin_log "not running the 32-bit end-to-end test: 32-bit programs run emulated here (PELORIN_I386=on runs it)"
            ;;
        esac
    fi
    pelorin_configure "$PELORIN_BUILD64" -DPELORIN_ARCH=x86_64 -DPELORIN_I386_EXE="$i386_exe" &&
        cmake --build "$PELORIN_BUILD64" -j"$(nproc)" "$@" -- --no-print-directory
}

# --- one user of the build tree at a time --------------------------------------

# pelorin_lock MODE: MODE "exclusive" (builds, test runs) or "shared" (plays).
# Waits for the others, saying so. Holds the lock on fd 7 until the shell exits.
pelorin_lock() {
    local mode=-x
    [ "$1" = shared ] && mode=-s
    mkdir -p "$PELORIN_BUILD"
    exec 7>>"$PELORIN_BUILD/.run.lock"
    if ! flock -n $mode 7; then
        pelorin_log "waiting for another run in $PELORIN_BUILD to finish"
        flock $mode 7
    fi
}
