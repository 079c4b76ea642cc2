# Shell functions shared by run-in-prefix.sh and run.sh: which Wine loader
# works on this host, what kind of PE file a program is, a virtual X server,
# and a prefix set up for unattended runs. Source it; it defines functions only.

# The loader that runs PE programs here. Debian's `wine` is the 32-bit loader
# (it hands 64-bit programs on to wine64); where the kernel runs no 32-bit
# user code only the 64-bit loader works.
wine_loader() {
  if /usr/lib/wine/wine --version >/dev/null 2>&1; then echo /usr/lib/wine/wine
  else echo /usr/lib/wine/wine64
  fi
}

# True when this host can run 32-bit Windows programs.
can_run_win32() { [ "$(wine_loader)" = /usr/lib/wine/wine ]; }

# Prints the machine of a PE file: i386, amd64, or unknown.
pe_machine() {
  local file=$1 offset sig machine
  offset=$(od -An -t u4 -j 60 -N 4 "$file" 2>/dev/null | tr -d ' ')
  [ -n "$offset" ] || { echo unknown; return; }
  sig=$(od -An -t x1 -j "$offset" -N 4 "$file" 2>/dev/null | tr -d ' ')
  [ "$sig" = 50450000 ] || { echo unknown; return; }
  machine=$(od -An -t x2 -j $((offset + 4)) -N 2 "$file" 2>/dev/null | tr -d ' ')
  case "$machine" in
    014c) echo i386 ;;
    8664) echo amd64 ;;
    *) echo unknown ;;
  esac
}

# The kind of Wine prefix a program runs in unless told otherwise: a 32-bit
# program in a 32-bit Windows (win32), where it takes its own x86 paths and
# Wine's spooler serves it fully; anything else in a 64-bit one (win64). A
# 32-bit program in a 64-bit prefix runs as a WOW64 process: only the cases
# about WOW64 ask for that.
prefix_arch_for() {
  if [ "$(pe_machine "$1")" = i386 ]; then echo win32; else echo win64; fi
}

# The word size of the Windows a prefix kind gives: x86 or x64.
system_of_arch() {
  if [ "$1" = win32 ]; then echo x86; else echo x64; fi
}

# Starts Xvfb on a free display and exports DISPLAY; sets XVFB_PID. The
# server picks its own display number (-displayfd), so parallel runs do not
# collide, and it has written it only once it accepts connections.
start_xvfb() {
  local size=${1:-1024x768x24} note
  note=$(mktemp)
  Xvfb -displayfd 3 -screen 0 "$size" -nolisten tcp 3>"$note" >/dev/null 2>&1 &
  XVFB_PID=$!
  for _ in $(seq 1 100); do
    [ -s "$note" ] && break
    kill -0 "$XVFB_PID" 2>/dev/null || break
    sleep 0.1
  done
  if [ ! -s "$note" ]; then
    rm -f "$note"; kill "$XVFB_PID" 2>/dev/null || true; XVFB_PID=
    echo "wine-env: Xvfb did not start" >&2; return 1
  fi
  export DISPLAY=":$(head -n1 "$note" | tr -d ' \n')"
  rm -f "$note"
}

stop_xvfb() {
  if [ -n "${XVFB_PID:-}" ]; then
    kill "$XVFB_PID" 2>/dev/null || true
    wait "$XVFB_PID" 2>/dev/null || true
    XVFB_PID=
  fi
}

# Makes $WINEPREFIX ready (created on first use): Wine's crash dialog off, so
# that a crash ends the program instead of waiting for a click, and no
# prompts for Mono or Gecko. Options: version=V (report the release V of
# Wine's list: winxp, win7, win10, ...; an empty V: Wine's default), desktop=WxH (draw all windows,
# captions included, in one virtual desktop), nodesktop (windows of their own
# again, for a real display).
prepare_prefix() {
  local loader=/usr/lib/wine/wine64 opt
  # A 64-bit prefix is made and set by the 64-bit loader: the same prefix,
  # with its helper programs native even where 32-bit ones are emulated.
  [ "${WINEARCH:-win64}" = win64 ] || loader=$(wine_loader)
  export WINEDEBUG=${WINEDEBUG:--all} WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    # WINEBOOT_TIMEOUT: a longer bound where the prefix's 32-bit half is
    # made under emulation.
    timeout "${WINEBOOT_TIMEOUT:-300}" "$loader" wineboot -i >/dev/null 2>&1 || true
    # Services cannot be started while Wine is still finishing its set-up.
    timeout 120 wineserver -w || true
  fi
  "$loader" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
  for opt in "$@"; do
    case "$opt" in
      version=)
        "$loader" reg delete 'HKCU\Software\Wine' /v Version /f >/dev/null 2>&1 || true ;;
      version=*)
        "$loader" reg add 'HKCU\Software\Wine' /v Version /t REG_SZ /d "${opt#version=}" /f >/dev/null 2>&1 ;;
      desktop=*)
        "$loader" reg add 'HKCU\Software\Wine\Explorer' /v Desktop /t REG_SZ /d Default /f >/dev/null 2>&1
        "$loader" reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /t REG_SZ /d "${opt#desktop=}" /f >/dev/null 2>&1 ;;
      nodesktop)
        "$loader" reg delete 'HKCU\Software\Wine\Explorer' /v Desktop /f >/dev/null 2>&1 || true ;;
    esac
  done
  timeout 120 wineserver -w || true
}

# A Linux path as the Windows programs in the prefix see it (drive Z: is /).
windows_path() {
  local path
  path=$(realpath -m "$1")
  printf 'Z:%s' "${path//\//\\}"
}

# Makes COM5, COM6 and COM7 out of socat pseudo-terminal pairs in folder $1
# and starts the serial printer simulator $2 (mode $3, default answer) at the
# far end of COM7; COM5 and COM6 have nothing attached. Sets SERIAL_PIDS (the
# processes to end afterwards) and SERIAL_MAPPINGS (COMn=PATH for
# `wine_com_ports`). Fails when socat is missing or makes no terminal.
start_serial_ports() {
  local dir=$1 printer=$2 mode=${3:-answer} n
  SERIAL_PIDS=() SERIAL_MAPPINGS=()
  command -v socat >/dev/null || { echo "wine-env: socat is not installed" >&2; return 1; }
  for n in 5 6 7; do
    socat pty,raw,echo=0,link="$dir/com$n" pty,raw,echo=0,link="$dir/far$n" 2>/dev/null &
    SERIAL_PIDS+=($!)
    SERIAL_MAPPINGS+=("COM$n=$dir/com$n")
  done
  for n in 5 6 7; do
    for _ in $(seq 1 50); do [ -e "$dir/far$n" ] && break; sleep 0.1; done
    [ -e "$dir/far$n" ] || { echo "wine-env: socat made no pseudo-terminal" >&2; return 1; }
  done
  "$printer" --device "$dir/far7" --mode "$mode" --lifetime 3600 >"$dir/printer.log" 2>&1 &
  SERIAL_PIDS+=($!)
}

stop_serial_ports() {
  local pid
  for pid in "${SERIAL_PIDS[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${SERIAL_PIDS[@]}"; do wait "$pid" 2>/dev/null || true; done
  SERIAL_PIDS=()
}

# Gives the prefix $WINEPREFIX the COM ports COMn=PATH given as arguments
# (also listed in HARDWARE\DEVICEMAP\SERIALCOMM); Wine is restarted so that
# it reads them.
wine_com_ports() {
  local loader mapping
  loader=$(wine_loader)
  for mapping in "$@"; do
    "$loader" reg add 'HKLM\Software\Wine\Ports' /v "${mapping%%=*}" /t REG_SZ /d "${mapping#*=}" /f >/dev/null 2>&1
  done
  wineserver -k >/dev/null 2>&1 || true
  timeout 60 wineserver -w || true
}
