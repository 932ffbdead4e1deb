#include <QElapsedTimer>
#include <QTest>

#include <atomic>
#include <thread>

#include "winevents.h"

// The event objects on which camera and device notifications travel.
class TestWinEvents : public QObject
{
    Q_OBJECT

private slots:
    void autoResetReleasesOneWaitForSeveralSets();
    void manualResetStaysSignalled();
    void initialStateAndReset();
    void waitTimesOut();
    void waitForAnyReportsLowestSignalledIndex();
    void waitWakesOnSetFromAnotherThread();
    void invalidAndClosedHandlesFail();
    void closingWakesAWaiter();
    void unsupportedRequestsFail();
};

void TestWinEvents::autoResetReleasesOneWaitForSeveralSets()
{
    HANDLE event = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    QVERIFY(event != nullptr);
    QVERIFY(SetEvent(event));
    QVERIFY(SetEvent(event));
    QVERIFY(SetEvent(event));
    QCOMPARE(WaitForSingleObject(event, 0), WAIT_OBJECT_0);
    QCOMPARE(WaitForSingleObject(event, 0), WAIT_TIMEOUT);
    QVERIFY(CloseHandle(event));
}

void TestWinEvents::manualResetStaysSignalled()
{
    HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    QVERIFY(SetEvent(event));
    QCOMPARE(WaitForSingleObject(event, 0), WAIT_OBJECT_0);
    QCOMPARE(WaitForSingleObject(event, 0), WAIT_OBJECT_0);
    QVERIFY(ResetEvent(event));
    QCOMPARE(WaitForSingleObject(event, 0), WAIT_TIMEOUT);
    CloseHandle(event);
}

void TestWinEvents::initialStateAndReset()
{
    HANDLE event = CreateEventW(nullptr, FALSE, TRUE, nullptr);
    QVERIFY(ResetEvent(event));
    QCOMPARE(WaitForSingleObject(event, 0), WAIT_TIMEOUT);
    CloseHandle(event);

    HANDLE signalled = CreateEventW(nullptr, FALSE, TRUE, nullptr);
    QCOMPARE(WaitForSingleObject(signalled, 0), WAIT_OBJECT_0);
    CloseHandle(signalled);
}

void TestWinEvents::waitTimesOut()
{
    HANDLE event = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    QElapsedTimer timer;
    timer.start();
    QCOMPARE(WaitForSingleObject(event, 50), WAIT_TIMEOUT);
    QVERIFY(timer.elapsed() >= 49);
    CloseHandle(event);
}

void TestWinEvents::waitForAnyReportsLowestSignalledIndex()
{
    HANDLE events[3] = {CreateEventW(nullptr, FALSE, FALSE, nullptr),
                        CreateEventW(nullptr, FALSE, FALSE, nullptr),
                        CreateEventW(nullptr, FALSE, FALSE, nullptr)};
    SetEvent(events[2]);
    SetEvent(events[1]);
    QCOMPARE(WaitForMultipleObjects(3, events, FALSE, 0), WAIT_OBJECT_0 + 1);
    // Only the reported event was reset; the other one is still pending.
    QCOMPARE(WaitForMultipleObjects(3, events, FALSE, 0), WAIT_OBJECT_0 + 2);
    QCOMPARE(WaitForMultipleObjects(3, events, FALSE, 0), WAIT_TIMEOUT);
    for (HANDLE event : events)
        CloseHandle(event);
}

void TestWinEvents::waitWakesOnSetFromAnotherThread()
{
    HANDLE events[2] = {CreateEventW(nullptr, FALSE, FALSE, nullptr),
                        CreateEventW(nullptr, FALSE, FALSE, nullptr)};
    std::atomic<DWORD> result{WAIT_FAILED};
    std::thread waiter([&] { result = WaitForMultipleObjects(2, events, FALSE, INFINITE); });
    SetEvent(events[1]);
    waiter.join();
    QCOMPARE(result.load(), WAIT_OBJECT_0 + 1);
    for (HANDLE event : events)
        CloseHandle(event);
}

void TestWinEvents::invalidAndClosedHandlesFail()
{
    QCOMPARE(WaitForSingleObject(nullptr, 0), WAIT_FAILED);
    HANDLE event = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    QVERIFY(CloseHandle(event));
    QVERIFY(!CloseHandle(event));
    QVERIFY(!SetEvent(event));
    QVERIFY(!ResetEvent(event));
    QCOMPARE(WaitForSingleObject(event, 0), WAIT_FAILED);
    // A closed handle is never handed out again.
    HANDLE other = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    QVERIFY(other != event);
    CloseHandle(other);
}

void TestWinEvents::closingWakesAWaiter()
{
    HANDLE event = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    std::atomic<bool> waiting{false};
    std::atomic<DWORD> result{WAIT_OBJECT_0};
    std::thread waiter([&] {
        waiting = true;
        result = WaitForSingleObject(event, INFINITE);
    });
    QTRY_VERIFY(waiting.load());
    CloseHandle(event);
    waiter.join();
    QCOMPARE(result.load(), WAIT_FAILED);
}

void TestWinEvents::unsupportedRequestsFail()
{
    QCOMPARE(CreateEventW(nullptr, FALSE, FALSE, u"named"), static_cast<HANDLE>(nullptr));
    HANDLE event = CreateEventW(nullptr, FALSE, TRUE, nullptr);
    QCOMPARE(WaitForMultipleObjects(1, &event, TRUE, 0), WAIT_FAILED);
    QCOMPARE(WaitForMultipleObjects(0, &event, FALSE, 0), WAIT_FAILED);
    CloseHandle(event);
}

QTEST_GUILESS_MAIN(TestWinEvents)
#include "tst_winevents.moc"
