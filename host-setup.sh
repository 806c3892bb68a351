# The Linux host's side of the project, sourced by ./test, ./run and
# tests/e2e/benchmark: installs what the build and the tests need on a fresh
# Debian machine (as root), checks that it runs 32-bit Windows programs,
# builds a preset, and starts and stops an X server (with the stand-in window
# manager) when there is none.
TARNWICK_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# What the 64-bit build and its tests need; the 32-bit side (wine32:i386, to
# run the 32-bit release) comes after, only where it can run at all.
TARNWICK_PACKAGES=(cmake ninja-build g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix binutils-mingw-w64
                   wine wine64 xvfb xauth x11-utils fonts-wqy-zenhei fonts-wqy-microhei googletest python3
                   python3-pil python3-xlib zopfli imagemagick zip unzip osslsigncode openssl)
TARNWICK_PACKAGES_32BIT=(wine32:i386)
# Why the 32-bit side is missing, once tarnwick_install_32bit has said no.
TARNWICK_32BIT_WHY=

tarnwick_installed() {
    grep -q "install ok installed" <<<"$(dpkg-query -W -f='${Status}' "$1" 2>/dev/null)"
}

tarnwick_sudo() {
    if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

# A mirror in the middle of a sync serves a list of the wrong size for a
# while; the other lists are good, so after a few tries apt goes on with
# what it has, and the lists that failed are named.
tarnwick_apt_update() {
    local try out=
    for try in 1 2 3; do
        out=$(tarnwick_sudo apt-get update -qq 2>&1) && return 0
        [ $try -eq 3 ] || sleep "${TARNWICK_APT_RETRY_PAUSE:-10}"
    done
    echo "apt-get update failed 3 times; going on with the package lists that came through. What failed:" >&2
    grep -E '^(E|W|Err):' <<<"$out" | grep -v 'Some index files failed' | sed 's/^/  /' >&2 || echo "$out" >&2
    return 0
}

tarnwick_install() {
    local missing=() p
    for p in "${TARNWICK_PACKAGES[@]}"; do
        tarnwick_installed "$p" || missing+=("$p")
    done
    [ ${#missing[@]} -gt 0 ] || return 0
    echo "installing: ${missing[*]}"
    tarnwick_apt_update
    if ! DEBIAN_FRONTEND=noninteractive tarnwick_sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"; then
        echo "apt-get could not install what the build and its tests need (its words are above)." >&2
        return 1
    fi
}

# A static 32-bit Linux program that exits with 42 (ELF header, one loadable
# segment, then: xor ebx,ebx; mov bl,42; xor eax,eax; inc eax; int 0x80).
# A kernel without 32-bit support says "Exec format error"; its boot options
# and configuration may still claim support, so only running it tells.
#   tarnwick_write_elf32 PATH
tarnwick_write_elf32() {
    printf '\177ELF\001\001\001\000\000\000\000\000\000\000\000\000' >"$1"
    # e_type EXEC, e_machine i386, e_version, e_entry 0x08048054, e_phoff 52,
    # e_shoff, e_flags, e_ehsize 52, e_phentsize 32, e_phnum 1, no sections.
    printf '\002\000\003\000\001\000\000\000\124\200\004\010\064\000\000\000\000\000\000\000\000\000\000\000\064\000\040\000\001\000\000\000\000\000\000\000' >>"$1"
    # PT_LOAD of the whole file (93 bytes) at 0x08048000, read and execute.
    printf '\001\000\000\000\000\000\000\000\000\200\004\010\000\200\004\010\135\000\000\000\135\000\000\000\005\000\000\000\000\020\000\000' >>"$1"
    printf '\061\333\263\052\061\300\100\315\200' >>"$1"
    chmod +x "$1"
}

tarnwick_kernel_runs_32bit() {
    # In the build folder: /tmp may be mounted without exec, which would say no.
    local probe=$TARNWICK_ROOT/build/probe32/elf32 status=0
    mkdir -p "$(dirname "$probe")"
    tarnwick_write_elf32 "$probe"
    "$probe" 2>/dev/null || status=$?
    [ $status -eq 42 ]
}

# Adds the i386 architecture and wine32 where the kernel runs 32-bit code.
# Multiarch wants the amd64 libraries that the i386 ones share at the same
# versions; where the i386 side exists only at the release's first versions,
# apt is asked once more preferring those, never removing nor downgrading an
# amd64 package to get there. Says no, with the reason in TARNWICK_32BIT_WHY.
tarnwick_install_32bit() {
    local p missing=() added= err codename
    TARNWICK_32BIT_WHY=
    if ! tarnwick_kernel_runs_32bit; then
        TARNWICK_32BIT_WHY="this machine's kernel refuses 32-bit code (Exec format error)"
        return 1
    fi
    for p in "${TARNWICK_PACKAGES_32BIT[@]}"; do
        tarnwick_installed "$p" || missing+=("$p")
    done
    [ ${#missing[@]} -gt 0 ] || return 0
    if ! grep -qx i386 <<<"$(dpkg --print-foreign-architectures)"; then
        echo "adding the i386 architecture (for wine32)"
        tarnwick_sudo dpkg --add-architecture i386
        added=1
    fi
    tarnwick_apt_update
    echo "installing: ${missing[*]}"
    err=$(mktemp)
    export DEBIAN_FRONTEND=noninteractive
    if tarnwick_sudo apt-get install -y -qq --no-install-recommends --no-remove "${missing[@]}" 2>"$err"; then
        rm -f "$err"
        return 0
    fi
    codename=$(. /etc/os-release 2>/dev/null && echo "${VERSION_CODENAME:-}")
    if [ -n "$codename" ]; then
        echo "trying again with $codename's own versions"
        if tarnwick_sudo apt-get install -y -qq --no-install-recommends --no-remove -t "$codename" "${missing[@]}" 2>"$err"; then
            rm -f "$err"
            return 0
        fi
    fi
    TARNWICK_32BIT_WHY="apt-get could not install ${missing[*]}: $(grep -m1 '^E:' "$err" || tail -n1 "$err")"
    cat "$err" >&2
    rm -f "$err"
    # Lists of an architecture that has no package only slow every update.
    [ -z "$added" ] || tarnwick_sudo dpkg --remove-architecture i386 2>/dev/null || true
    return 1
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

# tarnwick_build PRESET [TARGET...]: all of the preset's targets, or those named.
tarnwick_build() {
    local preset=$1
    shift
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset" ${1:+--target "$@"}
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
    # Every prefix the scripts and tests may have started a wineserver in;
    # never the caller's own, whose programs are theirs.
    local prefix
    for prefix in "$TARNWICK_ROOT"/build/wineprefix* "$TARNWICK_ROOT"/build/run-prefix "$TARNWICK_ROOT"/build/wine-template \
                  "$TARNWICK_ROOT"/build/*/e2e-prefix* "$TARNWICK_ROOT"/build/*/e2e32-prefix* "$TARNWICK_ROOT"/build/*/e2e-release64-prefix*; do
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
