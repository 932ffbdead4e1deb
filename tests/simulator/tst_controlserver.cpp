#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>

#include <cstring>
#include <set>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include "controlserver.h"
#include "controlsocketpath.h"
#include "simcontrol.h"

using VyraSim::Control;
using VyraSim::ControlServer;

namespace {

/// The role of this program when a test starts it as a second driver process.
const char secondServerArgument[] = "--second-server";

/// Creates a socket file at path that nobody listens on, as a crashed
/// application leaves it.
bool leaveStaleSocket(const QString &path)
{
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray name = QFile::encodeName(path);
    std::memcpy(address.sun_path, name.constData(), size_t(name.size()) + 1);
    const bool bound = ::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0;
    ::close(fd);
    return bound;
}

struct ToolRun
{
    int exitCode = -1;
    QString out;
    QString err;
};

} // namespace

// The control socket of the simulated driver and vyrasim-ctl, run against it
// as a person would.
class TestControlServer : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanupTestCase();

    void listsTheCameras();
    void unplugAndReplug();
    void plugInANewCamera();
    void markInUseAndRemove();
    void refusalsExplainThemselves();
    void wrongUsage();
    void noApplicationRunning();
    void aSecondProcessLeavesALiveServerAlone();
    void aStaleSocketIsReplacedAndShutdownRemovesIt();
    void aForeignFileIsNeverReplaced();
    void aSilentClientDoesNotBlockOthers();
    void requestsAreBounded();

private:
    ToolRun tool(const QStringList &arguments, const QProcessEnvironment &environment) const;
    ToolRun tool(const QStringList &arguments) const
    {
        return tool(arguments, QProcessEnvironment::systemEnvironment());
    }
    /// The device ID of the first camera of the world.
    int32_t firstDevice() const { return Control::cameras().front().description.deviceId; }

    QString socketPath_;
};

void TestControlServer::initTestCase()
{
    socketPath_ = QString::fromStdString(VyraSim::ControlSocketPath::resolve());
    QVERIFY2(!socketPath_.isEmpty(), "the test needs a control socket path");
    QVERIFY(Control::resetToDefaults().empty());
    QVERIFY(!Control::cameras().empty());
    ControlServer::ensureStarted();
    QVERIFY(ControlServer::running());
    QCOMPARE(QString::fromStdString(ControlServer::servedPath()), socketPath_);
}

void TestControlServer::init()
{
    QVERIFY(Control::resetToDefaults().empty());
    ControlServer::ensureStarted();
    QVERIFY(ControlServer::running());
}

void TestControlServer::cleanupTestCase()
{
    ControlServer::shutdown();
}

ToolRun TestControlServer::tool(const QStringList &arguments,
                                const QProcessEnvironment &environment) const
{
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(VYRASIM_CTL), arguments);
    ToolRun run;
    if (!process.waitForFinished(30000) || process.exitStatus() != QProcess::NormalExit)
        return run;
    run.exitCode = process.exitCode();
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

void TestControlServer::listsTheCameras()
{
    const ToolRun run = tool({QStringLiteral("list")});
    QCOMPARE(run.exitCode, 0);
    const QStringList lines = run.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    const auto cameras = Control::cameras();
    QCOMPARE(lines.size(), int(cameras.size()) + 1);
    QVERIFY(lines.front().startsWith(QLatin1String("DEVICE ID")));
    for (size_t i = 0; i < cameras.size(); ++i) {
        const QString line = lines.at(int(i) + 1);
        QVERIFY2(line.startsWith(QString::number(cameras[i].description.deviceId) + QLatin1Char(' ')),
                 qPrintable(line));
        QVERIFY(line.contains(QString::fromStdString(cameras[i].description.model)));
        QVERIFY(line.contains(QString::fromStdString(cameras[i].description.serialNumber)));
    }

    // The raw answer, as the protocol gives it.
    const std::string reply = ControlServer::handleRequest("list");
    QVERIFY(reply.rfind("OK\n", 0) == 0);
    const std::string first = std::to_string(firstDevice()) + '\t' + cameras[0].description.model + '\t';
    QVERIFY(reply.find("\n" + first) != std::string::npos);
}

void TestControlServer::unplugAndReplug()
{
    const int32_t device = firstDevice();
    ToolRun run = tool({QStringLiteral("unplug"), QString::number(device)});
    QCOMPARE(run.exitCode, 0);
    QVERIFY(!Control::camera(device)->plugged);
    run = tool({QStringLiteral("list")});
    QVERIFY(run.out.contains(QRegularExpression(QStringLiteral("\n%1 .* no ").arg(device))));

    // Unplugging it twice is refused with a reason.
    run = tool({QStringLiteral("unplug"), QString::number(device)});
    QCOMPARE(run.exitCode, 1);
    QVERIFY(run.err.contains(QLatin1String("device ID")));

    run = tool({QStringLiteral("replug"), QString::number(device)});
    QCOMPARE(run.exitCode, 0);
    QVERIFY(Control::camera(device)->plugged);
    run = tool({QStringLiteral("replug"), QString::number(device)});
    QCOMPARE(run.exitCode, 1);
}

void TestControlServer::plugInANewCamera()
{
    const size_t before = Control::cameras().size();
    ToolRun run =
        tool({QStringLiteral("plug-in"), QStringLiteral("--model"), QStringLiteral("VK3070C"),
              QStringLiteral("--serial"), QStringLiteral("4103999999")});
    QCOMPARE(run.exitCode, 0);
    const QRegularExpressionMatch match =
        QRegularExpression(QStringLiteral("device ID (\\d+)")).match(run.out);
    QVERIFY2(match.hasMatch(), qPrintable(run.out));
    const auto camera = Control::camera(match.captured(1).toInt());
    QVERIFY(camera.has_value());
    QCOMPARE(camera->description.model, std::string("VK3070C"));
    QCOMPARE(camera->description.serialNumber, std::string("4103999999"));
    QCOMPARE(camera->description.cameraName, std::string("VK3070C-USB"));
    QVERIFY(camera->plugged);
    QCOMPARE(Control::cameras().size(), before + 1);

    // Without options the new camera still differs from every other one.
    run = tool({QStringLiteral("plug-in")});
    QCOMPARE(run.exitCode, 0);
    const auto cameras = Control::cameras();
    QCOMPARE(cameras.size(), before + 2);
    std::set<std::string> serials;
    for (const auto &each : cameras)
        serials.insert(each.description.serialNumber);
    QCOMPARE(serials.size(), cameras.size());

    // A model the driver would not accept is refused, and nothing is added.
    run = tool({QStringLiteral("plug-in"), QStringLiteral("--model"), QStringLiteral("XX-1")});
    QCOMPARE(run.exitCode, 1);
    QVERIFY(run.err.contains(QLatin1String("not accepted")));
    QCOMPARE(Control::cameras().size(), before + 2);
}

void TestControlServer::markInUseAndRemove()
{
    const int32_t device = firstDevice();
    ToolRun run = tool({QStringLiteral("in-use"), QString::number(device), QStringLiteral("on")});
    QCOMPARE(run.exitCode, 0);
    QVERIFY(Control::camera(device)->description.inUseElsewhere);
    QVERIFY(tool({QStringLiteral("list")}).out.contains(QLatin1String("another program")));
    run = tool({QStringLiteral("in-use"), QString::number(device), QStringLiteral("off")});
    QCOMPARE(run.exitCode, 0);
    QVERIFY(!Control::camera(device)->description.inUseElsewhere);

    run = tool({QStringLiteral("remove"), QString::number(device)});
    QCOMPARE(run.exitCode, 0);
    QVERIFY(!Control::camera(device).has_value());
}

void TestControlServer::refusalsExplainThemselves()
{
    const ToolRun run = tool({QStringLiteral("unplug"), QStringLiteral("4242")});
    QCOMPARE(run.exitCode, 1);
    QVERIFY2(run.err.contains(QLatin1String("no camera with device ID 4242")), qPrintable(run.err));
    QCOMPARE(
        tool({QStringLiteral("in-use"), QStringLiteral("4242"), QStringLiteral("on")}).exitCode, 1);

    // The protocol refuses what the tool never sends, too.
    for (const char *request : {"", "frob", "unplug", "unplug 1 2", "unplug x", "inuse 1 yes",
                                "list all", "plugin colour=red", "plugin model="}) {
        const std::string reply = ControlServer::handleRequest(request);
        QVERIFY2(reply.rfind("ERROR ", 0) == 0, request);
    }
    QCOMPARE(Control::cameras().size(), VyraSim::defaultCameras().size());
}

void TestControlServer::wrongUsage()
{
    const QList<QStringList> wrong = {
        {},
        {QStringLiteral("frob")},
        {QStringLiteral("unplug")},
        {QStringLiteral("unplug"), QStringLiteral("-1")},
        {QStringLiteral("in-use"), QStringLiteral("1"), QStringLiteral("maybe")},
        {QStringLiteral("plug-in"), QStringLiteral("--colour"), QStringLiteral("red")},
        {QStringLiteral("plug-in"), QStringLiteral("--model")},
        {QStringLiteral("--socket")},
    };
    for (const QStringList &arguments : wrong) {
        const ToolRun run = tool(arguments);
        QCOMPARE(run.exitCode, 2);
        QVERIFY2(!run.err.isEmpty(), qPrintable(arguments.join(QLatin1Char(' '))));
    }
    const ToolRun help = tool({QStringLiteral("help")});
    QCOMPARE(help.exitCode, 0);
    QVERIFY(help.out.contains(QLatin1String("Usage: vyrasim-ctl")));
    QCOMPARE(Control::cameras().size(), VyraSim::defaultCameras().size());
}

void TestControlServer::noApplicationRunning()
{
    const QString nowhere = socketPath_ + QStringLiteral(".nowhere");
    ToolRun run = tool({QStringLiteral("--socket"), nowhere, QStringLiteral("list")});
    QCOMPARE(run.exitCode, 3);
    QVERIFY2(run.err.contains(QLatin1String("no application")), qPrintable(run.err));

    QVERIFY(leaveStaleSocket(nowhere));
    run = tool({QStringLiteral("--socket"), nowhere, QStringLiteral("unplug"),
                QString::number(firstDevice())});
    QCOMPARE(run.exitCode, 3);
    QVERIFY(run.err.contains(QLatin1String("no application")));
    QVERIFY(Control::camera(firstDevice())->plugged);
    QFile::remove(nowhere);

    QProcessEnvironment off = QProcessEnvironment::systemEnvironment();
    off.insert(QStringLiteral("VYRASIM_CONTROL_SOCKET"), QStringLiteral("off"));
    run = tool({QStringLiteral("list")}, off);
    QCOMPARE(run.exitCode, 3);
    QVERIFY(run.err.contains(QLatin1String("disabled")));
}

void TestControlServer::aSecondProcessLeavesALiveServerAlone()
{
    QProcess second;
    second.start(QCoreApplication::applicationFilePath(), {QLatin1String(secondServerArgument)});
    QVERIFY(second.waitForFinished(30000));
    QCOMPARE(second.exitCode(), 0);
    QVERIFY2(second.readAllStandardError().contains("another process serves"),
             "the second process should say why it offers no control socket");

    // This process still answers.
    QVERIFY(ControlServer::running());
    QCOMPARE(tool({QStringLiteral("list")}).exitCode, 0);
}

void TestControlServer::aStaleSocketIsReplacedAndShutdownRemovesIt()
{
    ControlServer::shutdown();
    QVERIFY(!ControlServer::running());
    QVERIFY(!QFileInfo::exists(socketPath_));
    QCOMPARE(tool({QStringLiteral("list")}).exitCode, 3);

    QVERIFY(leaveStaleSocket(socketPath_));
    ControlServer::ensureStarted();
    QVERIFY(ControlServer::running());
    QCOMPARE(tool({QStringLiteral("list")}).exitCode, 0);
}

void TestControlServer::aForeignFileIsNeverReplaced()
{
    ControlServer::shutdown();
    QFile foreign(socketPath_);
    QVERIFY(foreign.open(QIODevice::WriteOnly));
    foreign.write("not a socket");
    foreign.close();

    ControlServer::ensureStarted();
    QVERIFY(!ControlServer::running());
    QVERIFY(foreign.open(QIODevice::ReadOnly));
    QCOMPARE(foreign.readAll(), QByteArray("not a socket"));
    foreign.close();

    QVERIFY(QFile::remove(socketPath_));
    ControlServer::shutdown();
    ControlServer::ensureStarted();
    QVERIFY(ControlServer::running());
}

void TestControlServer::aSilentClientDoesNotBlockOthers()
{
    const int silent = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray name = QFile::encodeName(socketPath_);
    std::memcpy(address.sun_path, name.constData(), size_t(name.size()) + 1);
    QCOMPARE(::connect(silent, reinterpret_cast<sockaddr *>(&address), sizeof address), 0);

    // Served once the server gives up on the silent one.
    const ToolRun run = tool({QStringLiteral("unplug"), QString::number(firstDevice())});
    ::close(silent);
    QCOMPARE(run.exitCode, 0);
    QVERIFY(!Control::camera(firstDevice())->plugged);
}

void TestControlServer::requestsAreBounded()
{
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray name = QFile::encodeName(socketPath_);
    std::memcpy(address.sun_path, name.constData(), size_t(name.size()) + 1);
    QCOMPARE(::connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof address), 0);
    const QByteArray flood(64 * 1024, 'a');
    // The server stops reading after its limit; the rest may not get through.
    (void)::send(fd, flood.constData(), size_t(flood.size()), MSG_NOSIGNAL);
    QByteArray reply;
    char buffer[256];
    for (ssize_t n; (n = ::recv(fd, buffer, sizeof buffer, 0)) > 0;)
        reply.append(buffer, int(n));
    ::close(fd);
    QVERIFY2(reply.startsWith("ERROR "), reply.constData());
    QCOMPARE(tool({QStringLiteral("list")}).exitCode, 0);
}

int main(int argc, char **argv)
{
    if (argc == 2 && qstrcmp(argv[1], secondServerArgument) == 0) {
        // Another application process on the same socket path.
        ControlServer::ensureStarted();
        return ControlServer::running() ? 1 : 0;
    }
    QCoreApplication application(argc, argv);
    TestControlServer test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_controlserver.moc"
