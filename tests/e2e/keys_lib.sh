# The keyboard of a desktop script: a process that takes kivrano_e2e_keys' commands on
# descriptor 6 and answers "done N" in the file $keys_out once the compositor has the N-th.
# Sourced after desktop_lib.sh; whatever starts that process sets keys_out.
keys_sent=0
# Sends one command and waits until the compositor has it.
keys() {
  keys_sent=$((keys_sent + 1))
  echo "$*" >&6
  wait_for "^done $keys_sent\$" "$keys_out"
}
type_text() { keys type "$(hex "$1")"; }
# Presses the keys named (shift, ctrl, alt, super, return, tab, f1 ... f12, and what else the
# keyboard process names) together.
press_keys() {
  local key
  for key in "$@"; do keys down "$key"; done
  for ((i = $#; i >= 1; i--)); do keys up "${!i}"; done
}
