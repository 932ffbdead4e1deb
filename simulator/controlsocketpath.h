#pragma once

#include <string>

namespace VyraSim {

/// Where the control socket of the simulated driver lives. The driver's
/// control server and the command-line tool resolve it the same way: the
/// environment variable VYRASIM_CONTROL_SOCKET names the path ("off" disables
/// the channel), else $XDG_RUNTIME_DIR/vyrasim-control.sock, else
/// /tmp/vyrasim-<uid>.sock.
class ControlSocketPath
{
public:
    ControlSocketPath() = delete;

    /// The environment variable that chooses the path.
    static constexpr const char *variable = "VYRASIM_CONTROL_SOCKET";

    /// Answers the socket path, or an empty string when the channel is
    /// disabled or the path does not fit a socket address; *why then says
    /// which, for a person.
    static std::string resolve(std::string *why = nullptr);
};

} // namespace VyraSim
