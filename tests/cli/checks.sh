# Sourced by the shell tests: check NAME COMMAND... counts a check that
# passes or fails; finish_checks prints the closing count and fails the
# script when any check failed.
passed=0 failed=0
check() { # name, condition...
  local name=$1; shift
  if "$@"; then passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAILED: $name"; fi
}
finish_checks() {
  echo "$passed passed, $failed failed"
  test "$failed" -eq 0
}
