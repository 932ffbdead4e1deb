#include "controlclient.h"

#include <cerrno>
#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

/// Longer than the server gives a client, so the server's own answer to a
/// slow request arrives before this side gives up.
constexpr int timeoutSeconds = 5;
/// No honest answer is this long; a longer one is cut off.
constexpr size_t maximumReplyLength = 1024 * 1024;

ControlClient::Result failed(const std::string &what)
{
    return {ControlClient::Outcome::Failed, what + ": " + std::strerror(errno)};
}

/// Closes the socket when the request is done, however it ends.
class SocketGuard
{
public:
    explicit SocketGuard(int fd) : fd_(fd) {}
    ~SocketGuard() { ::close(fd_); }
    SocketGuard(const SocketGuard &) = delete;
    SocketGuard &operator=(const SocketGuard &) = delete;

private:
    int fd_;
};

} // namespace

ControlClient::Result ControlClient::request(const std::string &socketPath, const std::string &line)
{
    sockaddr_un address{};
    if (socketPath.empty() || socketPath.size() >= sizeof address.sun_path)
        return {Outcome::Failed, "the socket path does not fit a socket address"};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, socketPath.c_str(), socketPath.size() + 1);

    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return failed("no socket");
    SocketGuard guard(fd);
    const timeval timeout{timeoutSeconds, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout);

    if (::connect(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) != 0) {
        // No file, or a file that nobody listens on (left by an application
        // that crashed): in both cases no application is running.
        if (errno == ENOENT || errno == ECONNREFUSED || errno == ENOTSOCK)
            return {Outcome::NoServer, std::string()};
        return failed("cannot connect to " + socketPath);
    }

    const std::string request = line + "\n";
    size_t sent = 0;
    while (sent < request.size()) {
        const ssize_t n = ::send(fd, request.data() + sent, request.size() - sent, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return failed("the request could not be sent");
        sent += static_cast<size_t>(n);
    }
    ::shutdown(fd, SHUT_WR);

    Result result{Outcome::Answered, std::string()};
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return failed("no answer from the application");
        if (n == 0)
            break;
        result.text.append(buffer, static_cast<size_t>(n));
        if (result.text.size() > maximumReplyLength)
            return {Outcome::Failed, "the answer is too long"};
    }
    if (result.text.empty())
        return {Outcome::Failed, "the application closed the connection without an answer"};
    return result;
}
