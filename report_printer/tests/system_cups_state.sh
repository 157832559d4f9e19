#!/usr/bin/env bash
# The machine's own print scheduler as the printing tests found it, and the proof that they left
# it so: its configuration files, its printer list, the files in its configuration folder and
# its processes. None of it is asked of the scheduler itself: a question may start a scheduler
# that waits to be started on demand, which would be a change of its own. And once the tests are
# done, nothing of this build tree's own scheduler may be left running.
#
#   system_cups_state.sh before <file>          write the snapshot
#   system_cups_state.sh after <file> <root>    compare with it; fail on any difference
set -uo pipefail
action=$1 file=$2
etc=${CADRO_SYSTEM_CUPS_ETC:-/etc/cups}

# The pids of every scheduler process, from /proc (a bare system may have no pgrep).
schedulers() {
  local comm name
  for comm in /proc/[0-9]*/comm; do
    read -r name 2>/dev/null <"$comm" || continue
    [ "$name" = cupsd ] && { comm=${comm#/proc/}; echo "${comm%/comm}"; }
  done
}

snapshot() {
  local f
  for f in cups-files.conf cupsd.conf client.conf lpoptions; do
    if [ -e "$etc/$f" ]; then
      echo "file $f $(sha256sum <"$etc/$f" 2>/dev/null | cut -d' ' -f1 || echo unreadable)"
    else
      echo "file $f absent"
    fi
  done
  # The printer list as the scheduler keeps it; only root may read it, others see the queues'
  # driver files, one per queue.
  if [ -r "$etc/printers.conf" ]; then
    sed -n -E 's/^<DefaultPrinter ([^>]*)>.*/printer \1 (default)/p; s/^<Printer ([^>]*)>.*/printer \1/p' \
      "$etc/printers.conf" | sort
  elif [ -e "$etc/printers.conf" ]; then
    find "$etc/ppd" -maxdepth 1 -name '*.ppd' -printf 'printer %f\n' 2>/dev/null | sort
  else
    echo "printer list absent"
  fi
  [ -r "$etc/classes.conf" ] &&
    sed -n -E 's/^<DefaultClass ([^>]*)>.*/class \1 (default)/p; s/^<Class ([^>]*)>.*/class \1/p' \
      "$etc/classes.conf" | sort
  find "$etc" -mindepth 1 -maxdepth 2 -printf 'entry %P\n' 2>/dev/null | sort
  # The system's scheduler processes (pid and start time): every cupsd but the private ones of
  # test runs, known by their configuration in a cadrorpt-cups folder.
  local pid cmd
  for pid in $(schedulers); do
    cmd=$(tr '\0' ' ' <"/proc/$pid/cmdline" 2>/dev/null) || continue
    case "$cmd" in *"/cadrorpt-cups/conf/cupsd.conf"* | "") continue ;; esac
    local stat
    stat=$(cat "/proc/$pid/stat" 2>/dev/null) || continue
    stat=${stat##*) }
    # shellcheck disable=SC2086
    set -- $stat
    echo "process $pid started ${20}: $cmd"
  done
}

case "$action" in
  before)
    snapshot >"$file"
    echo "the machine's print scheduler before the printing tests:"
    sed 's/^/  /' "$file"
    ;;
  after)
    root=$3
    failed=0
    if [ ! -f "$file" ]; then
      echo "FAILED: no snapshot from before the printing tests ($file)"
      exit 1
    fi
    if ! diff <(cat "$file") <(snapshot) >"$file.diff"; then
      echo "FAILED: the printing tests changed the machine's print scheduler (< before, > after):"
      cat "$file.diff"
      failed=1
    else
      echo "the machine's print scheduler is as it was before the printing tests:"
      sed 's/^/  /' "$file"
    fi
    for pid in $(schedulers); do
      if tr '\0' ' ' <"/proc/$pid/cmdline" 2>/dev/null | grep -qF -- "-c $root/conf/cupsd.conf"; then
        echo "FAILED: this build tree's print scheduler (pid $pid) is still running"
        failed=1
      fi
    done
    exit $failed
    ;;
  *)
    echo "usage: $0 before <file> | after <file> <private-root>" >&2
    exit 2
    ;;
esac
