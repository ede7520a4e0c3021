# A private CUPS server for the printing tests: its own configuration, spool
# and socket under $E2E_TMP/cups, two queues whose output lands in files, and
# CUPS_SERVER exported so that every client started afterwards (gardlock,
# lpstat) talks to it and never to the machine's own printers.
#
#   GardlockTest  (default)  -> $PRINT_OUT/GardlockTest.out
#   Second                   -> $PRINT_OUT/Second.out
#
# The queues take PDF and hand it on unchanged (the filter gziptoany), so an
# output file is the PDF the program sent. Source it with E2E_TMP set (lib.sh
# sets it; the unit tests of the print system set it themselves) and call
# start_private_cups, which returns non-zero with CUPS_PROBLEM set when the
# server cannot be had.

: "${E2E_TMP:?E2E_TMP must name a temporary folder for the server}"
CUPS_DIR="$E2E_TMP/cups"
PRINT_OUT="$CUPS_DIR/out"

# Waits up to $1 seconds for the command to succeed.
_cups_wait() {
  local timeout=$1 i; shift
  for i in $(seq 1 $((timeout * 20))); do "$@" >/dev/null 2>&1 && return 0; sleep 0.05; done
  return 1
}
_cups_running() { lpstat -r 2>/dev/null | grep -q "is running"; }
# Running, or ended (so there is no point waiting longer).
_cups_settled() { _cups_running || ! kill -0 "$CUPSD_PID" 2>/dev/null; }

start_private_cups() {
  CUPS_PROBLEM=""
  local tool
  for tool in cupsd lpadmin lpstat; do
    command -v "$tool" >/dev/null || PATH="$PATH:/usr/sbin"
    command -v "$tool" >/dev/null || { CUPS_PROBLEM="$tool is not installed (scripts/install-deps.sh installs it)"; return 1; }
  done
  [ -x /usr/lib/cups/filter/gziptoany ] || { CUPS_PROBLEM="the CUPS filter gziptoany is not installed"; return 1; }
  # The server runs its filters as the user lp, who must reach the spool.
  chmod 711 "$E2E_TMP"
  mkdir -p "$CUPS_DIR"/{etc,spool,tmp,cache,state,log} "$PRINT_OUT"
  chmod 755 "$CUPS_DIR" "$CUPS_DIR/etc"
  chmod 1777 "$PRINT_OUT"
  cat >"$CUPS_DIR/etc/cupsd.conf" <<CONF
Listen $CUPS_DIR/cups.sock
LogLevel debug
WebInterface No
Browsing No
DefaultAuthType None
<Location />
  Order allow,deny
  Allow all
</Location>
<Location /admin>
  Order allow,deny
  Allow all
</Location>
<Policy default>
  <Limit All>
    Order deny,allow
  </Limit>
</Policy>
CONF
  cat >"$CUPS_DIR/etc/cups-files.conf" <<CONF
ServerRoot $CUPS_DIR/etc
RequestRoot $CUPS_DIR/spool
TempDir $CUPS_DIR/tmp
CacheDir $CUPS_DIR/cache
StateDir $CUPS_DIR/state
ErrorLog $CUPS_DIR/log/error_log
AccessLog $CUPS_DIR/log/access_log
PageLog $CUPS_DIR/log/page_log
FileDevice Yes
CONF
  cupsd -f -c "$CUPS_DIR/etc/cupsd.conf" -s "$CUPS_DIR/etc/cups-files.conf" >"$CUPS_DIR/cupsd.out" 2>&1 &
  CUPSD_PID=$!
  declare -p E2E_PIDS >/dev/null 2>&1 && E2E_PIDS+=($CUPSD_PID) # ended by lib.sh's clean-up
  export CUPS_SERVER="$CUPS_DIR/cups.sock"
  _cups_wait 15 _cups_settled
  if ! _cups_running; then
    CUPS_PROBLEM="cupsd did not start: $(tail -n 3 "$CUPS_DIR/cupsd.out" "$CUPS_DIR/log/error_log" 2>/dev/null | tr '\n' ' ')"
    return 1
  fi
  local ppd
  ppd="$(dirname "${BASH_SOURCE[0]}")/cups/gardlock-test.ppd"
  local queue
  for queue in GardlockTest Second; do
    if ! lpadmin -p "$queue" -E -v "file://$PRINT_OUT/$queue.out" -P "$ppd" >"$CUPS_DIR/lpadmin.out" 2>&1; then
      CUPS_PROBLEM="lpadmin could not add $queue: $(cat "$CUPS_DIR/lpadmin.out")"
      return 1
    fi
  done
  lpadmin -d GardlockTest >/dev/null 2>&1
  [ "$(lpstat -d 2>/dev/null)" = "system default destination: GardlockTest" ] || {
    CUPS_PROBLEM="the test queue could not be made the default: $(lpstat -d 2>&1)"; return 1; }
}

# The number of jobs the server has completed.
completed_jobs() { lpstat -W completed -o 2>/dev/null | wc -l; }

# The copies the server was asked for in job N (from its debug log: argv[4]).
job_copies() { sed -n "s/.*\\[Job $1\\] argv\\[4\\]=\"\\([0-9]*\\)\".*/\\1/p" "$CUPS_DIR/log/error_log" | head -1; }

stop_private_cups() {
  [ -n "${CUPSD_PID:-}" ] && kill "$CUPSD_PID" 2>/dev/null
  wait "$CUPSD_PID" 2>/dev/null
  CUPSD_PID=""
}
