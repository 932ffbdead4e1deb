#include <QProcess>
#include <QtTest>

#include <cstring>
#include <vector>

#include "vyradriver.h"

/// VYRA_DRIVER chooses the driver behind the boundary once per process, so
/// each case runs this program again as a child that lists the cameras.
class TestDriverChoice : public QObject
{
    Q_OBJECT

private slots:
    void chosenDriverListsItsCameras_data();
    void chosenDriverListsItsCameras();
};

namespace {

/// The child's part: "<count status> <cameras> <first model>" on standard output.
int listInChild()
{
    int32_t count = 0;
    const VyraStatus status = countCameras(&count);
    QByteArray model("-");
    if (status == VYRA_SUCCESS && count > 0) {
        std::vector<char> memory(VYRA_CAMERA_LIST_SIZE(count));
        auto *list = reinterpret_cast<VyraCameraList *>(memory.data());
        list->count = count;
        if (listCameras(list) == VYRA_SUCCESS && list->count > 0)
            model = list->records[0].modelName;
    }
    std::printf("%d %d %s\n", int(status), int(count), model.constData());
    return 0;
}

} // namespace

void TestDriverChoice::chosenDriverListsItsCameras_data()
{
    QTest::addColumn<QByteArray>("choice");
    QTest::addColumn<QByteArray>("listed");
    QTest::addColumn<QByteArray>("message");
    QTest::newRow("unset: the simulated camera")
        << QByteArray() << QByteArray("0 3 VK1240C") << QByteArray();
    QTest::newRow("simulator") << QByteArray("simulator") << QByteArray("0 3 VK1240C")
                               << QByteArray();
    QTest::newRow("aravis, with its fake camera")
        << QByteArray("aravis") << QByteArray("0 1 Fake") << QByteArray();
    QTest::newRow("a name that is no driver")
        << QByteArray("imaginary") << QByteArray("3 0 -")
        << QByteArray("VYRA_DRIVER=imaginary names no driver");
}

void TestDriverChoice::chosenDriverListsItsCameras()
{
    QFETCH(QByteArray, choice);
    QFETCH(QByteArray, listed);
    QFETCH(QByteArray, message);
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("VYRA_DRIVER"));
    if (!choice.isNull())
        environment.insert(QStringLiteral("VYRA_DRIVER"), QString::fromLatin1(choice));
    environment.insert(QStringLiteral("VYRA_ARAVIS_FAKE"), QStringLiteral("1"));
    child.setProcessEnvironment(environment);
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--list")});
    QVERIFY(child.waitForFinished(30000));
    const QByteArray errors = child.readAllStandardError();
    QVERIFY2(child.exitCode() == 0, errors.constData());
    QCOMPARE(child.readAllStandardOutput().trimmed(), listed);
    if (message.isEmpty())
        QVERIFY2(!errors.contains("vyradriver"), errors.constData());
    else
        QVERIFY2(errors.contains(message), errors.constData());
}

int main(int argc, char *argv[])
{
    if (argc == 2 && std::strcmp(argv[1], "--list") == 0)
        return listInChild();
    QCoreApplication application(argc, argv);
    TestDriverChoice test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_driverchoice.moc"
