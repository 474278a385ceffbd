# Sourced by the install tests: a temporary folder $work, removed at exit,
# and fail, which ends the test with its reason.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

fail() {
    echo "FAIL: $*" >&2
    exit 1
}
