#pragma once

#include <string>

/// One request to the control socket of the simulated driver and its answer.
class ControlClient
{
public:
    enum class Outcome {
        Answered, ///< the server answered; the text is its reply
        NoServer, ///< nothing listens on the path
        Failed,   ///< the connection broke or timed out; the text says why
    };

    struct Result
    {
        Outcome outcome = Outcome::Failed;
        std::string text;
    };

    /// Sends one request line to the server at socketPath and reads its reply.
    static Result request(const std::string &socketPath, const std::string &line);
};
