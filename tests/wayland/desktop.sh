# shellcheck shell=bash
# A private desktop for the clipboard tests and benchmarks: a headless sway compositor and an Xvfb
# server, with everything run as one user in a clean environment. Sourced, not run. sway refuses
# to run as root: as root, that user is sheetcalc-test (created when missing); otherwise the caller.
#
#   desktop_begin PROGRAM   work folder, user, a copy of PROGRAM the user can run ($exe)
#   start_sway / start_xvfb  the displays ($wayland_display, $x_display)
#   as_user COMMAND...       runs COMMAND as the user (user_command: only builds it, in $command)
#   desktop_end              ends the displays (and the clipboard tools serving them), removes all
# WAYLAND_DISPLAY_FOR, DISPLAY_FOR and PATH_FOR give the user's commands their display variables
# and search path.

desktop_user=$(id -un)
desktop_work= compositor_pid= xvfb_pid=

desktop_begin() {
  local tool
  for tool in sway wl-paste wl-copy Xvfb xclip; do
    command -v "$tool" >/dev/null ||
      { echo "FAIL: $tool is not installed (apt packages sway wl-clipboard xvfb xclip)"; return 1; }
  done
  if [[ $(id -u) == 0 ]]; then
    desktop_user=sheetcalc-test
    id "$desktop_user" >/dev/null 2>&1 ||
      useradd --system --no-create-home --home-dir /nonexistent --shell /usr/sbin/nologin \
        "$desktop_user" || { echo "FAIL: cannot create the user $desktop_user"; return 1; }
  fi
  desktop_work=$(mktemp -d)
  chmod 711 "$desktop_work"
  # Everything the user runs or reads lives in user/: a build tree it cannot enter may be elsewhere.
  mkdir -m 755 "$desktop_work/user" "$desktop_work/user/bin" "$desktop_work/nothing"
  mkdir -m 700 "$desktop_work/user/home" "$desktop_work/user/run"
  cp "$1" "$desktop_work/user/bin/"
  chmod 755 "$desktop_work/user/bin/$(basename "$1")"
  : >"$desktop_work/user/sway.config"
  [[ $(id -u) == 0 ]] && chown -R "$desktop_user:" "$desktop_work/user"
  exe="$desktop_work/user/bin/$(basename "$1")"
  run_dir="$desktop_work/user/run"
  return 0
}

# user_share FILE...: makes files the script wrote readable by the user.
user_share() {
  chmod 644 "$@"
}

user_command() {
  command=(env -i "PATH=${PATH_FOR:-/usr/local/bin:/usr/bin:/bin}"
           "HOME=$desktop_work/user/home" "XDG_RUNTIME_DIR=$run_dir"
           "XDG_CONFIG_HOME=$desktop_work/user/home/.config"
           "XDG_STATE_HOME=$desktop_work/user/home/.state" "LANG=C.UTF-8")
  [[ -n "${WAYLAND_DISPLAY_FOR:-}" ]] && command+=("WAYLAND_DISPLAY=$WAYLAND_DISPLAY_FOR")
  [[ -n "${DISPLAY_FOR:-}" ]] && command+=("DISPLAY=$DISPLAY_FOR")
  [[ -n "${ASAN_OPTIONS:-}" ]] && command+=("ASAN_OPTIONS=$ASAN_OPTIONS")
  [[ -n "${UBSAN_OPTIONS:-}" ]] && command+=("UBSAN_OPTIONS=$UBSAN_OPTIONS")
  command+=("$@")
  if [[ $(id -u) == 0 ]]; then
    command=(setpriv --reuid="$desktop_user" --regid="$(id -g "$desktop_user")" --clear-groups
             "${command[@]}")
  fi
}

as_user() {
  local -a command
  user_command "$@"
  "${command[@]}"
}

# The compositor, headless, drawing in memory; it names its socket after the first free number.
# Started in place (not through as_user) so that $! is the compositor itself.
start_sway() {
  local -a command
  user_command env WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman \
    sway -c "$desktop_work/user/sway.config"
  "${command[@]}" >"$desktop_work/sway.log" 2>&1 </dev/null &
  compositor_pid=$!
  wayland_display=
  for _ in $(seq 100); do
    wayland_display=$(cd "$run_dir" && for s in wayland-*; do [[ -S "$s" ]] && echo "$s"; done | head -1)
    [[ -n "$wayland_display" ]] && return 0
    sleep 0.1
  done
  echo "FAIL: sway did not start"
  cat "$desktop_work/sway.log"
  return 1
}

# Xvfb picks a free display number and writes it to the descriptor given.
start_xvfb() {
  local -a command
  user_command Xvfb -displayfd 3 -nolisten tcp -screen 0 320x240x24
  "${command[@]}" 3>"$desktop_work/display" >"$desktop_work/xvfb.log" 2>&1 </dev/null &
  xvfb_pid=$!
  for _ in $(seq 100); do
    [[ -s "$desktop_work/display" ]] && break
    sleep 0.1
  done
  [[ -s "$desktop_work/display" ]] ||
    { echo "FAIL: Xvfb did not start"; cat "$desktop_work/xvfb.log"; return 1; }
  x_display=":$(head -1 "$desktop_work/display")"
}

desktop_end() {
  local pid
  # The tools that serve a clipboard end with the display they serve.
  for pid in $compositor_pid $xvfb_pid; do kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null; done
  compositor_pid= xvfb_pid=
  [[ -n "$desktop_work" ]] && rm -rf "$desktop_work"
  desktop_work=
}
