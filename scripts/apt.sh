# Sourced by the scripts that call apt: root for what needs it, and an index update that a
# mirror out of step cannot stop. Defines functions and variables only.
#
# QVX_APT_TRIES (3) and QVX_APT_PAUSE (20 seconds) set how often and how far apart the update is
# tried.

qvx_apt_tries=${QVX_APT_TRIES:-3}
qvx_apt_pause=${QVX_APT_PAUSE:-20}

as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

# apt-get update, tried again after a pause while it fails; an index that never comes is named
# and left out, since the install may well not need it.
apt_update() {
  local attempt output status=0
  for ((attempt = 1; attempt <= qvx_apt_tries; attempt++)); do
    status=0
    output=$(as_root apt-get update -qq 2>&1) || status=$?
    [ "$status" -ne 0 ] || return 0
    [ "$attempt" -eq "$qvx_apt_tries" ] || sleep "$qvx_apt_pause"
  done
  local failed reason
  failed=$(sed -n 's/^[EW]: Failed to fetch \([^ ]*\).*/\1/p' <<<"$output" | sort -u | paste -sd' ')
  reason=$(sed -n 's/^[EW]: Failed to fetch [^ ]* *//p' <<<"$output" | head -n 1)
  [ -n "$reason" ] || reason=$(grep '^E: ' <<<"$output" | tail -n 1 | cut -c4-)
  echo "setup: warning: apt-get update failed $qvx_apt_tries times (status $status):" \
    "${failed:-an index} could not be fetched (${reason:-no message}); going on without it" >&2
}

