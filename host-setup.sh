# The Linux host's side of the project, sourced by ./test, ./run and
# tests/e2e/benchmark: installs what the build and the tests need on a fresh
# Debian machine (as root), builds a preset, and starts and stops an X server
# (with the stand-in window manager) when there is none.
TARNWICK_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
TARNWICK_PACKAGES=(cmake ninja-build g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix binutils-mingw-w64
                   wine wine64 xvfb xauth x11-utils fonts-wqy-zenhei fonts-wqy-microhei googletest python3
                   python3-pil python3-xlib zopfli imagemagick zip unzip osslsigncode openssl)

tarnwick_install() {
    local missing=()
    for p in "${TARNWICK_PACKAGES[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    if [ ${#missing[@]} -gt 0 ]; then
        echo "installing: ${missing[*]}"
        local sudo=""
        [ "$(id -u)" -eq 0 ] || sudo=sudo
        $sudo apt-get update -qq
        DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
    fi
}

tarnwick_build() {
    local preset=$1
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset"
}

# An X server for Wine: the real display when there is one, else Xvfb, which
# picks a free display and writes its number to the pipe once it accepts
# clients (or closes the pipe when it fails to start).
tarnwick_display() {
    if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then return; fi
    local dir number=
    dir=$(mktemp -d)
    mkfifo "$dir/displayfd"
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$dir/displayfd" >/dev/null 2>&1 &
    TARNWICK_XVFB_PID=$!
    read -r number <"$dir/displayfd" || true
    rm -rf "$dir"
    if [ -z "$number" ]; then
        tarnwick_stop_display
        echo "no X server could be started" >&2
        return 1
    fi
    export DISPLAY=:$number
    # Wine waits 2 s on every hide for a window manager to answer; this one
    # answers as a window manager does (tests/support/wm-state).
    local fifo
    fifo=$(mktemp -u)
    mkfifo "$fifo"
    /usr/bin/python3 "$TARNWICK_ROOT/tests/support/wm-state" >"$fifo" &
    TARNWICK_WM_PID=$!
    local ready=
    read -r ready <"$fifo" || true
    rm -f "$fifo"
    if [ "$ready" != ready ]; then
        tarnwick_stop_display
        echo "tests/support/wm-state did not start" >&2
        return 1
    fi
}

tarnwick_stop_display() {
    # Every prefix the scripts and tests may have started a wineserver in.
    local prefix
    for prefix in "${WINEPREFIX:-}" "$TARNWICK_ROOT"/build/wineprefix* "$TARNWICK_ROOT"/build/run-prefix \
                  "$TARNWICK_ROOT"/build/*/e2e-prefix; do
        [ -d "$prefix" ] && WINEPREFIX=$prefix wineserver -k 2>/dev/null || true
    done
    if [ -n "${TARNWICK_WM_PID:-}" ]; then
        kill "$TARNWICK_WM_PID" 2>/dev/null || true
        wait "$TARNWICK_WM_PID" 2>/dev/null || true
        TARNWICK_WM_PID=
    fi
    if [ -n "${TARNWICK_XVFB_PID:-}" ]; then
        kill "$TARNWICK_XVFB_PID" 2>/dev/null || true
        wait "$TARNWICK_XVFB_PID" 2>/dev/null || true
        TARNWICK_XVFB_PID=
    fi
}
