#!/bin/sh
# Runs a test program as an ordinary user (uid 65534 unless VEXLO_TEST_UID says otherwise), as
# the people who use Vexlo run it. Root opens a serial port that another program holds for
# itself alone, and writes where others may not: a suite run as root alone would hide both.
#
# Only where the tests run as root; elsewhere they run as an ordinary user already, and this
# exits 77, which CTest counts as skipped. The user gets a home and a temporary folder of its
# own, removed afterwards.
set -eu
if [ "$(id -u)" != 0 ]; then
    echo "the tests run as an ordinary user already"
    exit 77
fi
user=${VEXLO_TEST_UID:-65534}
as_user() {
    setpriv --reuid="$user" --regid="$user" --clear-groups "$@"
}
if ! as_user test -x "$1"; then
    # Skipped, and said so: CTest lists it among the tests that did not run.
    echo "$1: user $user cannot reach it, so it did not run as that user; every folder above" \
        "the build folder must be open to others (chmod o+rx)"
    exit 77
fi
home=$(mktemp -d "${TMPDIR:-/tmp}/vexlo-as-user.XXXXXX")
trap 'rm -rf "$home"' EXIT
chown "$user" "$home"
status=0
env -u XDG_RUNTIME_DIR HOME="$home" TMPDIR="$home" \
    setpriv --reuid="$user" --regid="$user" --clear-groups "$@" || status=$?
exit "$status"
