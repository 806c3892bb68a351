# The Linux host's side of the project, sourced by ./test, ./run and
# tests/e2e/benchmark: installs what the build and the tests need on a fresh
# Debian machine (as root), checks that it runs 32-bit Windows programs,
# builds a preset, and starts and stops an X server (with the stand-in window
# manager) when there is none.
TARNWICK_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
TARNWICK_PACKAGES=(cmake ninja-build g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix binutils-mingw-w64
                   wine wine64 wine32:i386 xvfb xauth x11-utils fonts-wqy-zenhei fonts-wqy-microhei googletest python3
                   python3-pil python3-xlib zopfli imagemagick zip unzip osslsigncode openssl)

tarnwick_install() {
    local missing=() sudo=""
    [ "$(id -u)" -eq 0 ] || sudo=sudo
    # wine32 comes from the i386 side of Debian; multiarch wants the amd64
    # libraries it shares at the same versions, so apt may upgrade some.
    if ! grep -qx i386 <<<"$(dpkg --print-foreign-architectures)"; then
        echo "adding the i386 architecture (for wine32)"
        $sudo dpkg --add-architecture i386
    fi
    for p in "${TARNWICK_PACKAGES[@]}"; do
        grep -q "install ok installed" <<<"$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null)" || missing+=("$p")
    done
    if [ ${#missing[@]} -gt 0 ]; then
        echo "installing: ${missing[*]}"
        $sudo apt-get update -qq
        DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
    fi
}

# The release is 32-bit and is tested under wine32 in a WoW64 prefix. A small
# 32-bit program of our own, run in that prefix, says whether this machine
# can do that at all; a kernel without 32-bit support can't (its message says
# ia32_emulation).
#   tarnwick_check_32bit PREFIX
tarnwick_check_32bit() {
    local prefix probe out
    prefix=$(realpath -m "$1")
    if ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
        echo "This machine refuses 32-bit code: wine32's loader (/usr/lib/wine/wine) does not start." >&2
        dmesg 2>/dev/null | grep -m1 -i "32-bit emulation" >&2 || true
        return 1
    fi
    # A prefix made before wine32 was installed has no 32-bit side.
    if [ -f "$prefix/.tarnwick-ready" ] && [ ! -f "$prefix/drive_c/windows/syswow64/kernel32.dll" ]; then
        WINEPREFIX=$prefix wineserver -k 2>/dev/null || true
        rm -rf "$prefix" "$prefix.lock"
    fi
    probe=$TARNWICK_ROOT/build/probe32/ok.exe
    mkdir -p "$(dirname "$probe")"
    printf '#include <stdio.h>\nint main(void) { puts("ok"); return 0; }\n' |
        i686-w64-mingw32-gcc -x c -o "$probe" -
    out=$(WINEPREFIX=$prefix "$TARNWICK_ROOT/cmake/wine-run" "$probe" 2>"$probe.err" | tr -d '\r') || true
    if [ "$out" != ok ]; then
        echo "This machine does not run 32-bit Windows programs: a 32-bit ok.exe in the WoW64 prefix $prefix said:" >&2
        # Wine speaks code page 936 here, as the tests have it.
        cat - "$probe.err" <<<"$out" | iconv -f GB18030 -t UTF-8 -c >&2
        return 1
    fi
    echo "32-bit Windows programs run here (WoW64 prefix $prefix)"
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

# What the failed cases left (tests/support/TestMain.cpp): a folder each,
# with a screenshot and the logs and traces the case named.
#   tarnwick_report_artifacts FOLDER
tarnwick_report_artifacts() {
    local dir
    [ -d "$1" ] || { echo "no test left anything in $1" >&2; return 0; }
    echo "What the failed cases left, in $(realpath "$1"):" >&2
    for dir in "$1"/*/; do
        [ -d "$dir" ] && echo "  $(basename "$dir"): $(ls "$dir" | tr '\n' ' ')" >&2
    done
    return 0
}

tarnwick_stop_display() {
    # Every prefix the scripts and tests may have started a wineserver in.
    local prefix
    for prefix in "${WINEPREFIX:-}" "$TARNWICK_ROOT"/build/wineprefix* "$TARNWICK_ROOT"/build/run-prefix "$TARNWICK_ROOT"/build/wine-template \
                  "$TARNWICK_ROOT"/build/*/e2e-prefix* "$TARNWICK_ROOT"/build/*/e2e32-prefix; do
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
