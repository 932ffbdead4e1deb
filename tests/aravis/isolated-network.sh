#!/bin/sh
# Runs a test in network and process namespaces of its own: the fake GigE
# Vision camera it starts on 127.0.0.1 meets no other test's camera (ctest -j)
# and no camera on the machine's networks, and it ends with the test however
# the test ends. Where namespaces are not allowed the test runs on the
# machine's loopback and skips when another camera holds it.
if command -v ip >/dev/null && unshare -rn --pid --fork true 2>/dev/null; then
    exec unshare -rn --pid --fork sh -c 'ip link set lo up && exec "$@"' sh "$@"
fi
VYRA_SHARED_NETWORK=1 exec "$@"
