#include "controlserver.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <poll.h>
#include <set>
#include <sstream>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "controlsocketpath.h"
#include "simcontrol.h"

namespace VyraSim {

namespace {

/// A request longer than this is refused: the longest real one is a few
/// dozen bytes.
constexpr size_t maximumRequestLength = 4096;
/// How long a client may take to send its request or read the answer before
/// the server gives up on it and serves the next.
constexpr int clientTimeoutSeconds = 2;

void note(const std::string &text)
{
    std::fprintf(stderr, "vyrasim: %s\n", text.c_str());
}

std::string systemError(const std::string &what)
{
    return what + ": " + std::strerror(errno);
}

/// Parses a whole decimal int32 or fails.
bool parseInt(const std::string &text, int32_t &value)
{
    if (text.empty() || text.size() > 11)
        return false;
    char *end = nullptr;
    errno = 0;
    const long parsed = std::strtol(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || parsed < INT32_MIN || parsed > INT32_MAX)
        return false;
    value = static_cast<int32_t>(parsed);
    return true;
}

/// A field of a list line: tabs and line breaks would break the format.
std::string field(std::string text)
{
    std::replace_if(
        text.begin(), text.end(), [](char c) { return c == '\t' || c == '\n' || c == '\r'; }, ' ');
    return text;
}

std::string error(const std::string &reason)
{
    return "ERROR " + reason + "\n";
}

std::string unknownCamera(int32_t deviceId, const char *state)
{
    return error("no camera with device ID " + std::to_string(deviceId) + state);
}

std::string listCameras()
{
    std::string reply = "OK\n";
    for (const CameraState &camera : Control::cameras()) {
        reply += std::to_string(camera.description.deviceId) + '\t' + field(camera.description.model) + '\t' +
                 field(camera.description.serialNumber) + '\t' + field(camera.description.cameraName) + '\t' +
                 (camera.plugged ? '1' : '0') + '\t' + (camera.description.inUseElsewhere ? '1' : '0') +
                 '\t' + (camera.openedHere ? '1' : '0') + '\n';
    }
    return reply;
}

/// A new camera like the first of the embedded default, with the given
/// model, serial number and name; the ones not given are made up so that
/// they differ from every camera there is.
std::string plugIn(const std::vector<std::string> &arguments)
{
    CameraSpec description = defaultCameras().front();
    description.deviceId = 0;
    description.inUseElsewhere = false;
    bool nameGiven = false;
    bool serialGiven = false;
    for (size_t i = 1; i < arguments.size(); ++i) {
        const std::string &argument = arguments[i];
        const size_t equals = argument.find('=');
        const std::string key = argument.substr(0, equals);
        const std::string value =
            equals == std::string::npos ? std::string() : argument.substr(equals + 1);
        if (equals == std::string::npos || value.empty())
            return error("plugin takes model=, serial= and name= with a value, not \"" + argument +
                         "\"");
        if (key == "model") {
            description.model = value;
        } else if (key == "serial") {
            description.serialNumber = value;
            serialGiven = true;
        } else if (key == "name") {
            description.cameraName = value;
            nameGiven = true;
        } else {
            return error("plugin knows model=, serial= and name=, not \"" + key + "=\"");
        }
    }
    if (!nameGiven)
        description.cameraName = description.model + "-USB";

    const std::vector<CameraState> cameras = Control::cameras();
    std::set<std::string> serials;
    std::set<int32_t> cameraIds;
    for (const CameraState &camera : cameras) {
        serials.insert(camera.description.serialNumber);
        cameraIds.insert(camera.description.cameraId);
    }
    if (!serialGiven) {
        long number = 4102000101;
        while (serials.count(std::to_string(number)))
            ++number;
        description.serialNumber = std::to_string(number);
    }
    description.cameraId = 1;
    while (cameraIds.count(description.cameraId))
        ++description.cameraId;

    const int32_t deviceId = Control::plugIn(description);
    if (deviceId < 0)
        return error("the camera was not accepted: a model is \"VK\" followed by digits and "
                     "letters (under 28 bytes), a serial number has under 16 bytes and a camera "
                     "name under 32");
    return "OK\n" + std::to_string(deviceId) + "\n";
}

std::string handle(const std::vector<std::string> &arguments)
{
    if (arguments.empty())
        return error("empty request");
    const std::string &command = arguments[0];
    if (command == "list")
        return arguments.size() == 1 ? listCameras() : error("list takes no arguments");
    if (command == "plugin")
        return plugIn(arguments);

    int32_t deviceId = 0;
    const size_t expected = command == "inuse" ? 3 : 2;
    if (arguments.size() != expected || !parseInt(arguments[1], deviceId)) {
        if (command == "unplug" || command == "replug" || command == "remove")
            return error(command + " takes one device ID");
        if (command == "inuse")
            return error("inuse takes a device ID and 1 or 0");
        return error("unknown request \"" + command + "\"");
    }
    if (command == "unplug")
        return Control::unplug(deviceId) ? "OK\n" : unknownCamera(deviceId, " that is plugged in");
    if (command == "replug")
        return Control::replug(deviceId) ? "OK\n" : unknownCamera(deviceId, " that is unplugged");
    if (command == "remove")
        return Control::remove(deviceId) ? "OK\n" : unknownCamera(deviceId, "");
    if (command == "inuse") {
        if (arguments[2] != "1" && arguments[2] != "0")
            return error("inuse takes a device ID and 1 or 0");
        return Control::setInUseElsewhere(deviceId, arguments[2] == "1")
                   ? "OK\n"
                   : unknownCamera(deviceId, "");
    }
    return error("unknown request \"" + command + "\"");
}

/// The server of this process: a listening socket, the lock that makes it the
/// only one on its path, and the thread that answers clients one at a time.
class Server
{
public:
    void ensureStarted()
    {
        if (attempted_.load(std::memory_order_acquire))
            return;
        std::lock_guard<std::mutex> lock(mutex_);
        if (attempted_.load(std::memory_order_relaxed) || final_)
            return;
        attempted_.store(true, std::memory_order_release);
        start();
    }

    void stop()
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (thread_.joinable()) {
            const char wake = 'x';
            while (::write(wakePipe_[1], &wake, 1) < 0 && errno == EINTR) {
            }
            thread_.join();
        }
        closeAll();
        attempted_.store(false, std::memory_order_release);
    }

    /// At exit or unload: stops the server, and no later driver call (from a
    /// thread still running then) starts it again.
    void stopForGood()
    {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            final_ = true;
        }
        stop();
    }

    bool running()
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return thread_.joinable();
    }

    std::string path()
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return thread_.joinable() ? path_ : std::string();
    }

private:
    void start()
    {
        std::string why;
        path_ = ControlSocketPath::resolve(&why);
        if (path_.empty()) {
            if (why.find("=off") == std::string::npos)
                note(why);
            return;
        }
        if (!takeLock() || !listen() || !makeWakePipe()) {
            closeAll();
            return;
        }
        try {
            thread_ = std::thread(&Server::serve, this);
        } catch (const std::system_error &failure) {
            note(std::string("the control server thread did not start: ") + failure.what());
            closeAll();
        }
    }

    /// The lock file beside the socket is held for as long as this process
    /// serves it, so a live server is never displaced and a socket file
    /// without a lock holder is known to be stale.
    bool takeLock()
    {
        const std::string lockPath = path_ + ".lock";
        lockFd_ = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (lockFd_ < 0) {
            note(systemError("the control socket lock " + lockPath + " cannot be opened"));
            return false;
        }
        if (::flock(lockFd_, LOCK_EX | LOCK_NB) != 0) {
            if (errno == EWOULDBLOCK)
                note("another process serves the control socket " + path_ +
                     "; this one offers none");
            else
                note(systemError("the control socket lock " + lockPath + " cannot be taken"));
            return false;
        }
        return true;
    }

    bool listen()
    {
        struct stat info;
        if (::lstat(path_.c_str(), &info) == 0) {
            if (!S_ISSOCK(info.st_mode)) {
                note(path_ + " exists and is not a socket; the control socket stays off");
                return false;
            }
            ::unlink(path_.c_str()); // stale: its server died without removing it
        }
        listenFd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (listenFd_ < 0) {
            note(systemError("the control socket cannot be created"));
            return false;
        }
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::memcpy(address.sun_path, path_.c_str(), path_.size() + 1);
        if (::bind(listenFd_, reinterpret_cast<const sockaddr *>(&address), sizeof address) != 0) {
            note(systemError("the control socket " + path_ + " cannot be bound"));
            return false;
        }
        bound_ = true;
        // Only its owner may control the driver; nobody can connect before listen().
        if (::chmod(path_.c_str(), 0600) != 0 || ::listen(listenFd_, 8) != 0) {
            note(systemError("the control socket " + path_ + " cannot listen"));
            return false;
        }
        return true;
    }

    bool makeWakePipe()
    {
        if (::pipe2(wakePipe_, O_CLOEXEC | O_NONBLOCK) != 0) {
            note(systemError("the control server's wake-up pipe cannot be created"));
            return false;
        }
        return true;
    }

    void closeAll()
    {
        if (bound_)
            ::unlink(path_.c_str());
        bound_ = false;
        for (int *fd : {&listenFd_, &wakePipe_[0], &wakePipe_[1], &lockFd_}) {
            if (*fd >= 0)
                ::close(*fd);
            *fd = -1;
        }
    }

    void serve()
    {
        for (;;) {
            pollfd fds[2] = {{listenFd_, POLLIN, 0}, {wakePipe_[0], POLLIN, 0}};
            if (::poll(fds, 2, -1) < 0) {
                if (errno == EINTR)
                    continue;
                note(systemError("the control server stops"));
                return;
            }
            if (fds[1].revents)
                return;
            if (fds[0].revents & POLLIN) {
                const int client = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
                if (client >= 0) {
                    serveClient(client);
                    ::close(client);
                }
            }
        }
    }

    static void serveClient(int client)
    {
        const timeval timeout{clientTimeoutSeconds, 0};
        ::setsockopt(client, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
        ::setsockopt(client, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout);

        std::string reply;
        ucred peer{};
        socklen_t peerSize = sizeof peer;
        if (::getsockopt(client, SOL_SOCKET, SO_PEERCRED, &peer, &peerSize) != 0 ||
            peer.uid != ::getuid()) {
            reply = error("permission denied: the driver obeys its own user only");
        } else {
            std::string request;
            if (readRequest(client, request))
                reply = ControlServer::handleRequest(request);
            else
                reply = error("the request was not one line of at most " +
                              std::to_string(maximumRequestLength) + " bytes");
        }
        size_t sent = 0;
        while (sent < reply.size()) {
            const ssize_t n =
                ::send(client, reply.data() + sent, reply.size() - sent, MSG_NOSIGNAL);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return;
            sent += static_cast<size_t>(n);
        }
    }

    /// Reads up to the first line break; the end of the stream ends a request too.
    static bool readRequest(int client, std::string &request)
    {
        char buffer[512];
        for (;;) {
            const ssize_t n = ::recv(client, buffer, sizeof buffer, 0);
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0)
                return false;
            if (n == 0)
                return !request.empty();
            request.append(buffer, static_cast<size_t>(n));
            const size_t end = request.find('\n');
            if (end != std::string::npos) {
                request.resize(end);
                return request.size() <= maximumRequestLength;
            }
            if (request.size() > maximumRequestLength)
                return false;
        }
    }

    std::mutex mutex_;
    std::atomic<bool> attempted_{false};
    std::thread thread_;
    std::string path_;
    int lockFd_ = -1;
    int listenFd_ = -1;
    int wakePipe_[2] = {-1, -1};
    bool bound_ = false;
    bool final_ = false;
};

Server &server()
{
    // Never destroyed: a thread that calls the driver while the process exits
    // still finds the server, stopped, instead of a destroyed object.
    static Server *const instance = [] {
        auto *created = new Server;
        std::atexit([] { server().stopForGood(); });
        return created;
    }();
    return *instance;
}

} // namespace

void ControlServer::ensureStarted()
{
    server().ensureStarted();
}

void ControlServer::shutdown()
{
    server().stop();
}

bool ControlServer::running()
{
    return server().running();
}

std::string ControlServer::servedPath()
{
    return server().path();
}

std::string ControlServer::handleRequest(const std::string &line)
{
    try {
        std::istringstream words(line);
        std::vector<std::string> arguments;
        for (std::string word; words >> word;)
            arguments.push_back(word);
        return handle(arguments);
    } catch (const std::exception &failure) {
        return error(std::string("internal error: ") + failure.what());
    } catch (...) {
        return error("internal error");
    }
}

} // namespace VyraSim
