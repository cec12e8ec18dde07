# Helpers for running the demo on a private virtual X display (sourced, not run).
# Every wait is bounded, so a run without a window, or one that never ends, fails instead of hanging.
#
#   start_virtual_display WIDTH HEIGHT   sets DISPLAY and VD_XVFB_PID; Xvfb picks a free number
#   stop_virtual_display
#   wait_for_window NAME SECONDS         id of the first visible window with that name, or fails
#   screenshot FILE                      the whole screen as PNG
#   greys FILE X,Y ...                   the red channel (0..255) at each point, space-separated
#   wait_for_grey FILE X,Y VALUE SECONDS takes screenshots until the point shows that grey (+-1)

start_virtual_display() {
  local width=$1 height=$2 fifo
  fifo=$(mktemp -u)
  mkfifo "$fifo"
  Xvfb -displayfd 3 -screen 0 "${width}x${height}x24" -nolisten tcp 3>"$fifo" 2>/dev/null &
  VD_XVFB_PID=$!
  local number
  if ! read -r -t 20 number <"$fifo"; then
    rm -f "$fifo"
    echo "Xvfb did not start" >&2
    return 1
  fi
  rm -f "$fifo"
  export DISPLAY=":$number"
}

stop_virtual_display() {
  if [ -n "${VD_XVFB_PID:-}" ]; then
    kill "$VD_XVFB_PID" 2>/dev/null || true
    wait "$VD_XVFB_PID" 2>/dev/null || true
    VD_XVFB_PID=
  fi
}

wait_for_window() {
  local name=$1 seconds=$2
  # --sync waits until the window is mapped: keys sent before that are lost.
  timeout "$seconds" xdotool search --sync --onlyvisible --name "$name" 2>/dev/null | head -n 1
}

screenshot() {
  import -window root "$1"
}

greys() {
  local file=$1 format="" point
  shift
  for point in "$@"; do
    format+="%[fx:int(255*p{${point}}.r+0.5)] "
  done
  convert "$file" -format "$format" info:
}

wait_for_grey() {
  local file=$1 point=$2 value=$3 seconds=$4 end
  end=$((SECONDS + seconds))
  while [ "$SECONDS" -lt "$end" ]; do
    if screenshot "$file" 2>/dev/null; then
      local seen
      seen=$(greys "$file" "$point" | tr -d ' ')
      if [ "$seen" -ge $((value - 1)) ] && [ "$seen" -le $((value + 1)) ]; then
        return 0
      fi
    fi
    sleep 0.2
  done
  return 1
}
