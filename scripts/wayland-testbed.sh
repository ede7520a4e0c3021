#!/usr/bin/env bash
# The Wayland test bed: a Debian 13 (trixie) root with sway, whose session
# lock Debian 12 has no compositor for, run headless for one test at a time.
#
#   wayland-testbed.sh build             builds the root once (cached, shared)
#   wayland-testbed.sh root              prints where the root is
#   wayland-testbed.sh start [--owner PID] RUNDIR
#                                        starts a headless sway with RUNDIR as
#                                        its runtime folder; prints, for a
#                                        shell to source, WAYLAND_DISPLAY (an
#                                        absolute socket path), SWAYSOCK,
#                                        WAYLAND_ROOT and SWAY_PID
#   wayland-testbed.sh run RUNDIR CMD... runs CMD (grim, wtype, swaymsg...)
#                                        inside the root, on that sway
#   wayland-testbed.sh stop RUNDIR       ends that sway
#
# The root is /var/cache/gardlock/wayland-root as root, else
# $XDG_CACHE_HOME/gardlock/wayland-root (~/.cache by default);
# GARDLOCK_WAYLAND_ROOT names another. It is built under a lock into a
# folder beside it and renamed into place only when complete, so tests
# starting together build it once and never see half of one; the stamp in it
# holds what it was built from, and a change rebuilds it. debootstrap takes
# the mirror apt uses here (GARDLOCK_DEBIAN_MIRROR names another).
#
# Each sway runs in a mount namespace of its own in which RUNDIR is bound
# onto the root's /run/wl: the binding ends with the last process in it, so
# nothing stays mounted even when a test is killed. sway dies with the
# watcher that started it, and the watcher ends it when the owner (the
# caller, or --owner) is gone. Building and running need root (else
# password-less sudo): debootstrap, chroot and mounts do.
set -euo pipefail

readonly SUITE=trixie
# swaylock only as a comparison for the benchmarks.
readonly PACKAGES=sway,swaybg,wtype,grim,swayidle,swaylock
readonly STAMP_NAME=.gardlock-stamp
readonly IN_USE_NAME=.gardlock-in-use
# Where RUNDIR is seen inside the root.
readonly INNER_RUN=/run/wl

die() { echo "wayland-testbed: $*" >&2; exit 1; }

SUDO=()
if [ "$(id -u)" -ne 0 ]; then
  sudo -n true 2>/dev/null ||
    die "needs root, or sudo without a password: debootstrap, chroot and the mounts of the test bed do"
  SUDO=(sudo -n)
fi

root_dir() {
  if [ -n "${GARDLOCK_WAYLAND_ROOT:-}" ]; then
    echo "$GARDLOCK_WAYLAND_ROOT"
  elif [ "$(id -u)" -eq 0 ]; then
    echo /var/cache/gardlock/wayland-root
  else
    echo "${XDG_CACHE_HOME:-$HOME/.cache}/gardlock/wayland-root"
  fi
}

# The Debian archive apt already uses: the first source of a release suite
# (not -security or -updates) in sources.list or the deb822 .sources files.
debian_mirror() {
  if [ -n "${GARDLOCK_DEBIAN_MIRROR:-}" ]; then echo "$GARDLOCK_DEBIAN_MIRROR"; return; fi
  local f files=()
  for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list /etc/apt/sources.list.d/*.sources; do
    [ -f "$f" ] && files+=("$f")
  done
  [ ${#files[@]} -gt 0 ] || return 1
  awk '
    function release(suites,   n, s, i) {
      n = split(suites, s, " ")
      for (i = 1; i <= n; i++) if (s[i] !~ /[-\/]/) return 1
      return 0
    }
    function stanza_end() {
      if (found) return
      if (types ~ /(^| )deb( |$)/ && uris != "" && release(suites) && enabled != "no") { split(uris, u, " "); print u[1]; found = 1; exit }
      types = uris = suites = enabled = ""
    }
    FNR == 1 { stanza_end() }
    /^[ \t]*#/ { next }
    FILENAME ~ /\.sources$/ {
      if ($0 ~ /^[ \t]*$/) { stanza_end(); next }
      key = tolower($1); sub(/:$/, "", key); $1 = ""; sub(/^[ \t]+/, "")
      if (key == "types") types = $0; else if (key == "uris") uris = $0
      else if (key == "suites") suites = $0; else if (key == "enabled") enabled = tolower($0)
      next
    }
    $1 == "deb" {
      i = 2
      if ($i ~ /^\[/) { while (i <= NF && $i !~ /\]$/) i++; i++ }
      if (release($(i + 1))) { print $i; found = 1; exit }
    }
    END { stanza_end() }' "${files[@]}"
}

stamp_text() { printf 'suite=%s\nvariant=minbase\npackages=%s\n' "$SUITE" "$PACKAGES"; }

# Whether a folder holds a complete root of the wanted stamp.
root_current() { [ -f "$1/$STAMP_NAME" ] && [ "$(cat "$1/$STAMP_NAME")" = "$(stamp_text)" ]; }

# Unmounts whatever is mounted under a folder (debootstrap mounts proc and
# sys in its target and leaves them when it fails), then removes it.
remove_tree() {
  local dir=$1 target
  [ -e "$dir" ] || return 0
  findmnt -rn -o TARGET | awk -v d="$dir" 'index($0, d "/") == 1 || $0 == d' | sort -r |
    while read -r target; do "${SUDO[@]}" umount -l "$target" || true; done
  "${SUDO[@]}" rm -rf --one-file-system "$dir"
}

cmd_build() {
  local root parent mirror tmp old log started
  root=$(root_dir)
  parent=$(dirname "$root")
  mkdir -p "$parent"
  exec {lock}>"$parent/.$(basename "$root").lock"
  if ! flock -w 3600 "$lock"; then die "another build of $root held the lock for an hour"; fi
  if root_current "$root"; then
    echo "wayland-testbed: the root is ready: $root" >&2
    return 0
  fi
  mirror=$(debian_mirror) || true
  [ -n "$mirror" ] || die "cannot tell which Debian mirror apt uses (no deb source in /etc/apt); set GARDLOCK_DEBIAN_MIRROR"
  command -v debootstrap >/dev/null || die "debootstrap is not installed (scripts/install-deps.sh installs it)"
  # Roots a rebuild moved aside, that no sway uses any longer.
  for old in "$parent/$(basename "$root").old."*; do
    [ -d "$old" ] || continue
    (exec {use}<"$old/$IN_USE_NAME" && flock -n -x "$use") 2>/dev/null && remove_tree "$old"
  done
  tmp=$(mktemp -d "$parent/.$(basename "$root").new.XXXXXX")
  log=$tmp.log
  trap 'remove_tree "$tmp"; rm -f "$log"' EXIT
  started=$SECONDS
  echo "wayland-testbed: building a $SUITE root with $PACKAGES from $mirror into $root (a few minutes, once)" >&2
  if ! "${SUDO[@]}" debootstrap --variant=minbase --include="$PACKAGES" "$SUITE" "$tmp" "$mirror" >"$log" 2>&1; then
    tail -n 25 "$log" | sed 's/^/  /' >&2
    die "debootstrap of $SUITE from $mirror failed (the lines above are the end of its log)"
  fi
  "${SUDO[@]}" mkdir -p "$tmp$INNER_RUN"
  "${SUDO[@]}" touch "$tmp/$IN_USE_NAME"
  "${SUDO[@]}" chmod 0644 "$tmp/$IN_USE_NAME"
  stamp_text | "${SUDO[@]}" tee "$tmp/$STAMP_NAME" >/dev/null
  if [ -e "$root" ]; then
    old=$(mktemp -u "$parent/$(basename "$root").old.XXXXXX")
    "${SUDO[@]}" mv "$root" "$old"
    (exec {use}<"$old/$IN_USE_NAME" && flock -n -x "$use") 2>/dev/null && remove_tree "$old"
  fi
  "${SUDO[@]}" mv "$tmp" "$root"
  rm -f "$log"
  trap - EXIT
  echo "wayland-testbed: built $root in $((SECONDS - started)) s" >&2
}

# The root to run from, complete and current; takes a shared hold on it in
# descriptor $use, which whatever is started from it keeps open.
hold_root() {
  local root lock
  root=$(root_dir)
  [ -d "$(dirname "$root")" ] || die "no root at $root: run scripts/wayland-testbed.sh build first"
  exec {lock}>"$(dirname "$root")/.$(basename "$root").lock"
  flock -s "$lock"
  root_current "$root" || die "no current root at $root: run scripts/wayland-testbed.sh build first"
  exec {use}<"$root/$IN_USE_NAME"
  flock -s "$use"
  exec {lock}>&-
  ROOT=$root
}

# in_root [--own-pids] RUNDIR ENV... -- CMD...: CMD inside the root with
# RUNDIR bound onto its /run/wl, in a mount namespace of its own, with only
# ENV set. The calling process becomes the namespace's holder, so call it in
# a subshell of its own. --own-pids gives CMD a process namespace too, whose
# first process it is: when it ends, everything it started ends with it.
in_root() {
  local pids=()
  if [ "$1" = --own-pids ]; then pids=(--pid --kill-child=KILL); shift; fi
  local rundir=$1; shift
  local env=()
  while [ "$1" != -- ]; do env+=("$1"); shift; done
  shift
  exec "${SUDO[@]}" unshare --mount --propagation private "${pids[@]}" \
    sh -c 'mount --bind "$1" "$2$3" && root=$2 && shift 3 && exec chroot "$root" "$@"' \
    in-root "$rundir" "$ROOT" "$INNER_RUN" \
    env -i PATH=/usr/local/bin:/usr/bin:/bin HOME="$INNER_RUN" XDG_RUNTIME_DIR="$INNER_RUN" LANG=C.UTF-8 \
    "${env[@]}" "$@"
}

# The socket names sway made in RUNDIR.
wayland_name() { local s; for s in "$1"/wayland-*; do [ -S "$s" ] && { basename "$s"; return 0; }; done; return 1; }
ipc_name() { local s; for s in "$1"/sway-ipc.*.sock; do [ -S "$s" ] && { basename "$s"; return 0; }; done; return 1; }

# Whether a process is gone (a zombie nobody reaped counts as gone).
gone() { [ ! -e "/proc/$1" ] || [ "$(awk '{print $3}' "/proc/$1/stat" 2>/dev/null)" = Z ] || [ ! -e "/proc/$1/stat" ]; }

cmd_start() {
  local owner=$PPID rundir
  if [ "${1:-}" = --owner ]; then owner=$2; shift 2; fi
  rundir=${1:?usage: wayland-testbed.sh start [--owner PID] RUNDIR}
  mkdir -p "$rundir"
  rundir=$(cd "$rundir" && pwd)
  chmod 0700 "$rundir"
  [ ! -e "$rundir/sway.pid" ] || die "$rundir already has a sway (stop it first)"
  hold_root
  # The config's name carries the folder's own tag, so that a test can find
  # its sway, and only its own, by command line.
  local tag config
  tag=$(printf '%s' "$rundir" | md5sum | cut -c1-12)
  config=sway.$tag.config
  cat >"$rundir/$config" <<'CONFIG'
# A desktop of a plain colour, nothing else: what shows through a lock is seen.
output * bg #3a6ea5 solid_color
default_border none
CONFIG
  # The watcher: the holder of sway's namespaces is its child and dies with
  # it (parent-death signal), and sway and all it started die with the
  # holder. The watcher ends sway when the owner is gone, and waits for it
  # either way.
  (
    trap '' HUP
    exec </dev/null >>"$rundir/sway.log" 2>&1
    (SUDO=(setpriv --pdeathsig KILL "${SUDO[@]}") &&
      in_root --own-pids "$rundir" WLR_BACKENDS=headless WLR_RENDERER=pixman WLR_LIBINPUT_NO_DEVICES=1 -- \
        sway -c "$INNER_RUN/$config") &
    holder=$!
    sway=""
    for _ in $(seq 1 100); do
      sway=$(cat "/proc/$holder/task/$holder/children" 2>/dev/null || true)
      [ -n "${sway// /}" ] && break
      gone "$holder" && break
      sleep 0.05
    done
    sway=${sway// /}
    echo "${sway:-$holder}" >"$rundir/sway.pid"
    setpriv --pdeathsig KILL tail --pid="$owner" -f /dev/null &
    owner_watch=$!
    wait -n "$holder" "$owner_watch" || true
    [ -z "$sway" ] || kill -TERM "$sway" 2>/dev/null || true
    for _ in $(seq 1 50); do gone "$holder" && break; sleep 0.1; done
    kill -KILL "$holder" "$owner_watch" 2>/dev/null || true
    wait
    rm -f "$rundir/sway.pid"
  ) &
  echo "$!" >"$rundir/watcher.pid"
  exec {use}<&-
  # Up once its IPC answers: by then its Wayland socket answers too.
  local pid="" deadline=$((SECONDS + ${GARDLOCK_SWAY_START_TIMEOUT:-60})) ipc=""
  while [ $SECONDS -lt $deadline ]; do
    [ -n "$pid" ] || pid=$(cat "$rundir/sway.pid" 2>/dev/null || true)
    if [ -n "$pid" ] && gone "$pid"; then
      sed 's/^/  /' "$rundir/sway.log" >&2
      die "sway ended while starting (its log is above)"
    fi
    ipc=$(ipc_name "$rundir" || true)
    if [ -n "$ipc" ] && (in_root "$rundir" SWAYSOCK="$INNER_RUN/$ipc" -- swaymsg -t get_version) >/dev/null 2>&1; then
      break
    fi
    ipc=""
    sleep 0.1
  done
  local name
  name=$(wayland_name "$rundir" || true)
  if [ -z "$ipc" ] || [ -z "$name" ]; then
    tail -n 20 "$rundir/sway.log" | sed 's/^/  /' >&2
    cmd_stop "$rundir" || true
    die "sway did not answer within ${GARDLOCK_SWAY_START_TIMEOUT:-60} s (the end of its log is above)"
  fi
  printf '%s=%q\n' WAYLAND_DISPLAY "$rundir/$name" SWAYSOCK "$rundir/$ipc" WAYLAND_ROOT "$ROOT" \
    SWAY_PID "$pid" SWAY_CONFIG "$config" | tee "$rundir/env"
}

cmd_run() {
  local rundir=${1:?usage: wayland-testbed.sh run RUNDIR CMD...}
  shift
  [ $# -gt 0 ] || die "run: no command"
  rundir=$(cd "$rundir" && pwd)
  hold_root
  local name ipc env=()
  name=$(wayland_name "$rundir") || die "no sway in $rundir"
  env+=(WAYLAND_DISPLAY="$name")
  ipc=$(ipc_name "$rundir") && env+=(SWAYSOCK="$INNER_RUN/$ipc")
  in_root "$rundir" "${env[@]}" -- "$@"
}

cmd_stop() {
  local rundir=${1:?usage: wayland-testbed.sh stop RUNDIR} sway watcher
  [ -d "$rundir" ] || return 0
  sway=$(cat "$rundir/sway.pid" 2>/dev/null || true)
  watcher=$(cat "$rundir/watcher.pid" 2>/dev/null || true)
  [ -z "$sway" ] || kill -TERM "$sway" 2>/dev/null || true
  local i
  for i in $(seq 1 100); do
    { [ -z "$sway" ] || gone "$sway"; } && { [ -z "$watcher" ] || gone "$watcher"; } && break
    [ "$i" != 50 ] || kill -KILL $sway $watcher 2>/dev/null || true
    sleep 0.1
  done
  { [ -z "$sway" ] || gone "$sway"; } && { [ -z "$watcher" ] || gone "$watcher"; } ||
    die "sway ($sway) or its watcher ($watcher) would not end"
  rm -f "$rundir/sway.pid" "$rundir/watcher.pid"
}

case ${1:-} in
  build) cmd_build ;;
  root) root_dir ;;
  start) shift; cmd_start "$@" ;;
  run) shift; cmd_run "$@" ;;
  stop) shift; cmd_stop "$@" ;;
  *) sed -n '2,/^set -euo/{/^set -euo/d;s/^# \{0,1\}//;p}' "$0" >&2; exit 2 ;;
esac
