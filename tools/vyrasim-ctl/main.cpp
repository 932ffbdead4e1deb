// vyrasim-ctl: lists, unplugs, replugs, plugs in and marks in use the
// simulated cameras of a running application, through the control socket of
// the simulated camera driver inside it.

#include <cstdio>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "controlclient.h"
#include "controlsocketpath.h"

namespace {

enum ExitStatus {
    Done = 0,
    Refused = 1,
    WrongUsage = 2,
    NoApplication = 3,
};

const char usage[] =
    "Usage: vyrasim-ctl [--socket PATH] COMMAND [ARGUMENTS]\n"
    "\n"
    "Controls the simulated cameras of a running application that uses the\n"
    "simulated camera driver, to try how it copes with cameras coming and going.\n"
    "\n"
    "Commands:\n"
    "  list                         list the simulated cameras\n"
    "  unplug DEVICE-ID             pull a camera out (the application sees it removed)\n"
    "  replug DEVICE-ID             plug a pulled-out camera back in\n"
    "  plug-in [--model MODEL] [--serial SERIAL] [--name NAME]\n"
    "                               connect a new camera and print its device ID\n"
    "  in-use DEVICE-ID on|off      mark a camera as held by another program, or free it\n"
    "  remove DEVICE-ID             pull a camera out and forget it\n"
    "  help                         show this text\n"
    "\n"
    "The socket is $VYRASIM_CONTROL_SOCKET (\"off\" disables it), else\n"
    "$XDG_RUNTIME_DIR/vyrasim-control.sock, else /tmp/vyrasim-<uid>.sock.\n"
    "\n"
    "Exit status: 0 done, 1 refused by the driver, 2 wrong usage,\n"
    "3 no application running.\n";

int wrongUsage(const std::string &problem)
{
    std::fprintf(stderr, "vyrasim-ctl: %s\nRun \"vyrasim-ctl help\" for the commands.\n",
                 problem.c_str());
    return WrongUsage;
}

bool isDeviceId(const std::string &text)
{
    if (text.empty() || text.size() > 10)
        return false;
    for (char c : text)
        if (c < '0' || c > '9')
            return false;
    return true;
}

/// Only the characters of model names, serial numbers and camera names: the
/// request is a line of words.
bool isWord(const std::string &text)
{
    if (text.empty())
        return false;
    for (char c : text)
        if (c <= ' ' || c == 0x7f)
            return false;
    return true;
}

/// Translates the command line into a request line; answers false and a
/// problem for a person when it is not one.
bool buildRequest(const std::vector<std::string> &arguments, std::string &request,
                  std::string &problem)
{
    const auto refuse = [&problem](const std::string &why) {
        problem = why;
        return false;
    };
    const std::string &command = arguments[0];
    const size_t count = arguments.size() - 1;
    if (command == "list") {
        if (count != 0)
            return refuse("list takes no arguments");
        request = "list";
    } else if (command == "unplug" || command == "replug" || command == "remove") {
        if (count != 1 || !isDeviceId(arguments[1]))
            return refuse(command + " takes one device ID (see \"vyrasim-ctl list\")");
        request = command + " " + arguments[1];
    } else if (command == "in-use") {
        if (count != 2 || !isDeviceId(arguments[1]) ||
            (arguments[2] != "on" && arguments[2] != "off"))
            return refuse("in-use takes a device ID and on or off");
        request = "inuse " + arguments[1] + (arguments[2] == "on" ? " 1" : " 0");
    } else if (command == "plug-in") {
        request = "plugin";
        for (size_t i = 1; i < arguments.size(); i += 2) {
            const std::string &option = arguments[i];
            const char *key = option == "--model"    ? "model"
                              : option == "--serial" ? "serial"
                              : option == "--name"   ? "name"
                                                     : nullptr;
            if (!key)
                return refuse("plug-in knows --model, --serial and --name, not " + option);
            if (i + 1 >= arguments.size() || !isWord(arguments[i + 1]))
                return refuse(option + " needs a value without blanks");
            request += std::string(" ") + key + "=" + arguments[i + 1];
        }
    } else {
        return refuse("unknown command \"" + command + "\"");
    }
    return true;
}

/// Prints the list answer as a table for a person.
void printCameras(const std::string &lines)
{
    std::printf("%-9s %-10s %-12s %-16s %-10s %s\n", "DEVICE ID", "MODEL", "SERIAL", "NAME",
                "CONNECTED", "HELD BY");
    std::istringstream stream(lines);
    int cameras = 0;
    for (std::string line; std::getline(stream, line);) {
        std::vector<std::string> fields;
        std::istringstream fieldStream(line);
        for (std::string field; std::getline(fieldStream, field, '\t');)
            fields.push_back(field);
        if (fields.size() != 7)
            continue;
        const char *holder = fields[6] == "1"   ? "the application"
                             : fields[5] == "1" ? "another program"
                                                : "-";
        std::printf("%-9s %-10s %-12s %-16s %-10s %s\n", fields[0].c_str(), fields[1].c_str(),
                    fields[2].c_str(), fields[3].c_str(), fields[4] == "1" ? "yes" : "no", holder);
        ++cameras;
    }
    if (cameras == 0)
        std::printf("(no simulated cameras)\n");
}

} // namespace

int main(int argc, char **argv)
{
    std::vector<std::string> arguments(argv + 1, argv + argc);
    std::string socketPath;
    bool socketGiven = false;
    if (!arguments.empty() && arguments[0] == "--socket") {
        if (arguments.size() < 2 || arguments[1].empty())
            return wrongUsage("--socket needs a path");
        socketPath = arguments[1];
        socketGiven = true;
        arguments.erase(arguments.begin(), arguments.begin() + 2);
    }
    if (arguments.empty()) {
        std::fputs(usage, stderr);
        return WrongUsage;
    }
    if (arguments[0] == "help" || arguments[0] == "--help" || arguments[0] == "-h") {
        std::fputs(usage, stdout);
        return Done;
    }

    std::string request;
    std::string problem;
    if (!buildRequest(arguments, request, problem))
        return wrongUsage(problem);

    if (!socketGiven) {
        socketPath = VyraSim::ControlSocketPath::resolve(&problem);
        if (socketPath.empty()) {
            std::fprintf(stderr, "vyrasim-ctl: %s\n", problem.c_str());
            return NoApplication;
        }
    }

    const ControlClient::Result result = ControlClient::request(socketPath, request);
    switch (result.outcome) {
    case ControlClient::Outcome::NoServer:
        std::fprintf(stderr,
                     "vyrasim-ctl: no application with the simulated camera driver is running "
                     "(nothing listens on %s).\nStart the application first; it opens the control "
                     "socket when it first asks for cameras.\n",
                     socketPath.c_str());
        return NoApplication;
    case ControlClient::Outcome::Failed:
        std::fprintf(stderr, "vyrasim-ctl: %s\n", result.text.c_str());
        return NoApplication;
    case ControlClient::Outcome::Answered:
        break;
    }

    const size_t end = result.text.find('\n');
    const std::string status = result.text.substr(0, end);
    const std::string body = end == std::string::npos ? std::string() : result.text.substr(end + 1);
    if (status.compare(0, 6, "ERROR ") == 0) {
        std::fprintf(stderr, "vyrasim-ctl: %s\n", status.c_str() + 6);
        return Refused;
    }
    if (status != "OK") {
        std::fprintf(stderr, "vyrasim-ctl: unexpected answer from %s: %s\n", socketPath.c_str(),
                     status.c_str());
        return NoApplication;
    }
    if (arguments[0] == "list")
        printCameras(body);
    else if (arguments[0] == "plug-in")
        std::printf("plugged in device ID %s", body.c_str());
    return Done;
}
