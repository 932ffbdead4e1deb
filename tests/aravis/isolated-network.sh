#!/bin/sh
# Runs a test in a network namespace of its own, so that the fake GigE Vision
# camera it starts on 127.0.0.1 meets no other test's camera (ctest -j) and no
# camera on the machine's networks. Where namespaces are not allowed the test
# runs on the machine's loopback and skips when another camera holds it.
if command -v ip >/dev/null && unshare -rn true 2>/dev/null; then
    exec unshare -rn sh -c 'ip link set lo up && exec "$@"' sh "$@"
fi
VYRA_SHARED_NETWORK=1 exec "$@"
