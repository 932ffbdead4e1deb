#!/bin/sh
# Runs a test in network and process namespaces of its own: the fake GigE
# Vision camera it starts on 127.0.0.1 meets no other test's camera (ctest -j)
# and no camera on the machine's networks, and it ends with the test however
# the test ends. Where namespaces are not allowed the test runs on the
# machine's loopback and skips when another camera holds it.
# The shell stays the namespace's first process (which ignores signals it has
# no handler for) and the test its child; when unshare goes, so does the shell.
# The namespace gets a /proc of its own where it may mount one: tools that
# read /proc by process ID (the leak sanitizer's thread list) then find the
# namespace's processes, not the machine's under the same numbers.
if command -v ip >/dev/null && unshare -rn --pid --kill-child --mount-proc true 2>/dev/null; then
    exec unshare -rn --pid --kill-child --mount-proc sh -c 'ip link set lo up && "$@"' sh "$@"
fi
if command -v ip >/dev/null && unshare -rn --pid --kill-child true 2>/dev/null; then
    exec unshare -rn --pid --kill-child sh -c 'ip link set lo up && "$@"' sh "$@"
fi
VYRA_SHARED_NETWORK=1 exec "$@"
