#pragma once

#include <string>

namespace VyraSim {

/// The control channel of the simulated driver inside a running application:
/// a local socket through which vyrasim-ctl lists the simulated cameras,
/// unplugs, replugs, plugs in and removes them and marks them in use, so that
/// a person can try the application's hot-plug flows by hand.
///
/// Protocol: the client sends one request line and reads the answer until the
/// server closes the connection. The answer's first line is "OK" or
/// "ERROR <reason>"; "list" adds one line per camera with the tab-separated
/// fields device ID, model, serial number, camera name, plugged (1/0), in use
/// by another program (1/0), opened by this process (1/0).
///
/// Requests: "list", "unplug <id>", "replug <id>", "remove <id>",
/// "inuse <id> 1|0", "plugin [model=<m>] [serial=<s>] [name=<n>]".
class ControlServer
{
public:
    ControlServer() = delete;

    /// Starts the server of this process once (later calls cost a flag test).
    /// Does nothing when the channel is disabled, when another live process
    /// already serves the socket path, or when the socket cannot be set up.
    /// Call it without holding a lock of the simulated world.
    static void ensureStarted();
    /// Stops the server and removes its socket file; a later ensureStarted
    /// starts it again. Also happens when the driver is unloaded.
    static void shutdown();
    /// True while this process serves the control socket.
    static bool running();
    /// The path this process serves, empty while it serves none.
    static std::string servedPath();

    /// Carries out one request line and answers the reply text.
    static std::string handleRequest(const std::string &line);
};

} // namespace VyraSim
