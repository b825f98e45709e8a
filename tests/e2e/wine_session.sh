#!/usr/bin/env bash
# Starts or stops the Wine session the end-to-end tests share: one Xvfb display and one
# private Wine prefix for the whole run. `start` writes session.env for the tests to read;
# `build` prints which of the two builds a session here runs.
#   wine_session.sh start|stop|build SESSION_DIR WIN32_BUILD WIN64_BUILD
set -euo pipefail
action=$1
dir=$(realpath -m "$2") win32=$(realpath -m "$3") win64=$(realpath -m "$4")
env_file=$dir/session.env

stop() {
  [ -f "$env_file" ] || return 0
  # shellcheck disable=SC1090
  . "$env_file"
  WINEPREFIX=$WINEPREFIX "$WINESERVER" -k 2>/dev/null || true
  [ -n "${XVFB_PID:-}" ] && kill "$XVFB_PID" 2>/dev/null || true
  rm -f "$env_file"
}

# One line for the test log, also kept in ran.txt: which build the sessions of this run ran
# and how many started Kestrane, so that a green run cannot hide that the DLL never ran.
report() {
  [ -f "$env_file" ] || return 0
  # shellcheck disable=SC1090
  . "$env_file"
  local what started=0 transcript
  case $WINE in
    *64) what="the x86-64 build $WIN_BUILD/Kestrane.dll under wine64 (no 32-bit code here)" ;;
    *) what="the i686 product $WIN_BUILD/Kestrane.dll under 32-bit Wine" ;;
  esac
  while IFS= read -r transcript; do
    grep -q '^start begin[A-Za-z]* -> [0-9]' "$transcript" && started=$((started + 1))
  done < <(find "$dir" -name transcript.txt -newer "$env_file" 2>/dev/null)
  echo "e2e ran $what ($("$WINE" --version 2>/dev/null)): Kestrane started in $started scenarios" |
    tee "$dir/ran.txt"
}

# This machine may not execute 32-bit code (a kernel without IA-32 emulation): then the
# same sources built for x86-64 run under wine64 instead of the i686 product.
if /usr/lib/wine/wine --version >/dev/null 2>&1 && { [ -f "$win32/Kestrane.dll" ] || [ "$action" = build ]; }; then
  loader=/usr/lib/wine/wine build=$win32 server=/usr/lib/wine/wineserver32
else
  loader=/usr/lib/wine/wine64 build=$win64 server=/usr/lib/wine/wineserver64
fi

case $action in
  build) echo "$build"; exit 0 ;;
  stop) report; stop; exit 0 ;;
esac

stop
mkdir -p "$dir"
[ -x "$server" ] || server=/usr/lib/wine/wineserver
[ -f "$build/corvane.exe" ] || { echo "no corvane.exe in $build: build it first" >&2; exit 1; }

# A display is free when neither its files nor its abstract socket exist: a server in another
# root (a chroot sharing this network namespace) holds the socket with no file here, and
# clients would reach that one.
display=
for n in $(seq 90 140); do
  if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ] &&
     ! grep -q "@/tmp/.X11-unix/X$n\$" /proc/net/unix 2>/dev/null; then
    display=$n
    break
  fi
done
[ -n "$display" ] || { echo "no free X display" >&2; exit 1; }
Xvfb ":$display" -screen 0 1024x768x24 -nolisten tcp >"$dir/xvfb.log" 2>&1 &
xvfb_pid=$!
for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$display" ] && break; sleep 0.1; done

prefix=$dir/prefix
export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" DISPLAY=":$display"
# As on today's Windows, 64-bit programs run beside the 32-bit shell: a 64-bit (WoW64) prefix.
# One made 32-bit only by an earlier run is made again.
boot=$loader
[ -x /usr/lib/wine/wine64 ] && boot=/usr/lib/wine/wine64
if [ "$boot" != "$loader" ] && grep -q '^#arch=win32' "$prefix/system.reg" 2>/dev/null; then
  rm -rf "$prefix"
fi
if [ ! -f "$prefix/system.reg" ]; then
  WINELOADER=$boot "$boot" wineboot -i >"$dir/wineboot.log" 2>&1 || true
fi
# Without a window manager each message box takes about 2 s to return once answered;
# unmanaged windows return at once. Also set in a prefix made before this setting existed.
if ! grep -q '"Managed"="N"' "$prefix/user.reg" 2>/dev/null; then
  WINELOADER=$loader "$loader" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f \
    >>"$dir/wineboot.log" 2>&1 || true
fi
"$server" -w 2>/dev/null || true

# The https sites' certificates, made once for this session folder; their authority becomes a
# trusted root of this prefix only (trust_root.exe; the machine's own stores stay as they are).
tls=$dir/tls
if [ ! -f "$tls/localhost.pem" ]; then
  "$(dirname "$0")/make_certificates.sh" "$tls" >"$dir/tls.log" 2>&1 ||
    echo "e2e session: no test certificates, see $dir/tls.log" >&2
fi
if [ -f "$tls/ca.der" ] && [ -f "$build/plugins/trust_root.exe" ]; then
  WINELOADER=$loader "$loader" "$build/plugins/trust_root.exe" "Z:${tls//\//\\}\\ca.der" \
    >>"$dir/tls.log" 2>&1 || echo "e2e session: the test CA is not trusted, see $dir/tls.log" >&2
  "$server" -w 2>/dev/null || true
fi

cat >"$env_file" <<ENV
WINEPREFIX=$prefix
WINEDEBUG=-all
WINEDLLOVERRIDES=mscoree,mshtml=
DISPLAY=:$display
WINE=$loader
WINESERVER=$server
WIN_BUILD=$build
WIN64_BUILD=$win64
XVFB_PID=$xvfb_pid
TLS_DIR=$tls
ENV
echo "e2e session: display :$display, $loader, $build"
