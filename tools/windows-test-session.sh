# Sourced by ./test.sh: a display and a ready Wine prefix for the Windows tests.
#   start_windows_session PREFIX   starts Xvfb, exports DISPLAY, prepares PREFIX
#   stop_windows_session           stops both again (safe to call twice)

wine_dir=/usr/lib/wine
xvfb_pid=

start_windows_session() {
  export WINEPREFIX=$1 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d"
  local display_file
  display_file=$(mktemp)
  # -displayfd picks a free display number and writes it once the server is ready.
  Xvfb -displayfd 3 -nolisten tcp -screen 0 1024x768x24 3>"$display_file" >/dev/null 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 100); do
    [ -s "$display_file" ] && break
    sleep 0.1
  done
  export DISPLAY=":$(head -n 1 "$display_file")"
  rm -f "$display_file"
  # Creating a prefix takes seconds: do it once here rather than inside the first test.
  "$wine_dir/wine64" wineboot --init >/dev/null 2>&1 || true
  "$wine_dir/wineserver" -w
  # One wineserver for the whole run instead of one per test program, with its helper
  # processes started now rather than by the first test.
  "$wine_dir/wineserver" -p
  "$wine_dir/wine64" wineboot >/dev/null 2>&1 || true
}

stop_windows_session() {
  if [ -n "$xvfb_pid" ]; then
    "$wine_dir/wineserver" -k >/dev/null 2>&1 || true
    kill "$xvfb_pid" 2>/dev/null || true
    xvfb_pid=
  fi
}
