// Style sheets, icons, the about box and the message-box helpers.

#include <QFile>
#include <QIcon>
#include <QImageReader>
#include <QPushButton>
#include <QTextBrowser>
#include <QtTest>

#include "aboutbox.h"
#include "messagebox.h"
#include "modalanswerer.h"
#include "stylesheet.h"

class TestAppearance : public QObject
{
    Q_OBJECT

private slots:
    void baseStyleSheetIsCompiledIn();
    void missingStyleSheetIsEmpty();

    void iconsArePicturesOfTheirSize_data();
    void iconsArePicturesOfTheirSize();
    void iconsDiffer();
    void applicationIconHoldsEverySize();

    void aboutBoxSizeAndVersion();
    void aboutBoxClosesOnItsButton();

    void messageBoxHelpers_data();
    void messageBoxHelpers();
    void askQuestionReturnsThePressedButton();
    void createMessageBoxBuildsAChild();
};

void TestAppearance::baseStyleSheetIsCompiledIn()
{
    const QString sheet = loadStyleSheet(QStringLiteral("base.qss"));
    QVERIFY(sheet.startsWith(QStringLiteral("QMenu")));
    QVERIFY(sheet.contains(QStringLiteral("background-color: rgb(85, 170, 255);")));
    QFile resource(QStringLiteral(":/style/base.qss"));
    QVERIFY(resource.open(QIODevice::ReadOnly));
    QCOMPARE(sheet, QString::fromUtf8(resource.readAll()));
}

void TestAppearance::missingStyleSheetIsEmpty()
{
    QVERIFY(loadStyleSheet(QStringLiteral("missing.qss")).isEmpty());
    QVERIFY(loadStyleSheet(QString()).isEmpty());
}

void TestAppearance::iconsArePicturesOfTheirSize_data()
{
    QTest::addColumn<QString>("name");
    for (const char *name :
         {"Create New", "Open Folder", "Undo", "Redo", "Save", "Workflow", "Cancel", "Plus",
          "Compact Camera", "Delete_2", "Circled Play", "Triggering", "USB Connected",
          "USB Disconnected", "Network Connected", "Network Disconnected", "Minus", "Delete"})
        QTest::newRow(name) << QString::fromLatin1(name);
}

void TestAppearance::iconsArePicturesOfTheirSize()
{
    QFETCH(QString, name);
    const QImage image(QStringLiteral(":/images/Icons8/%1.png").arg(name));
    QVERIFY2(!image.isNull(), qPrintable(name));
    QCOMPARE(image.size(), QSize(48, 48));
    QVERIFY(image.hasAlphaChannel());

    // A picture, not an empty or a filled square: both transparent and
    // clearly visible pixels, and more than one or two of them.
    int visible = 0;
    int transparent = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const int alpha = qAlpha(image.pixel(x, y));
            visible += alpha > 200;
            transparent += alpha == 0;
        }
    }
    QVERIFY2(visible > 100, qPrintable(QString::number(visible)));
    QVERIFY2(transparent > 300, qPrintable(QString::number(transparent)));
}

void TestAppearance::iconsDiffer()
{
    const QStringList names = {"Create New",
                               "Open Folder",
                               "Undo",
                               "Redo",
                               "Save",
                               "Workflow",
                               "Cancel",
                               "Plus",
                               "Compact Camera",
                               "Delete_2",
                               "Circled Play",
                               "Triggering",
                               "USB Connected",
                               "USB Disconnected",
                               "Network Connected",
                               "Network Disconnected"};
    QSet<QByteArray> pictures;
    for (const QString &name : names) {
        const QImage image(QStringLiteral(":/images/Icons8/%1.png").arg(name));
        pictures.insert(QByteArray(reinterpret_cast<const char *>(image.constBits()),
                                   int(image.sizeInBytes())));
    }
    QCOMPARE(pictures.size(), names.size());
}

void TestAppearance::applicationIconHoldsEverySize()
{
    QImageReader reader(QStringLiteral(":/images/Icons8/icon.ico"));
    QCOMPARE(reader.format(), QByteArray("ico"));
    QSet<int> widths;
    do {
        const QImage image = reader.read();
        QVERIFY2(!image.isNull(), qPrintable(reader.errorString()));
        QCOMPARE(image.width(), image.height());
        widths.insert(image.width());
    } while (reader.jumpToNextImage());
    for (int size : {16, 32, 48, 256})
        QVERIFY2(widths.contains(size), qPrintable(QString::number(size)));

    const QIcon icon(QStringLiteral(":/images/Icons8/icon.ico"));
    QVERIFY(!icon.pixmap(16, 16).isNull());
    QVERIFY(!icon.pixmap(48, 48).isNull());
}

void TestAppearance::aboutBoxSizeAndVersion()
{
    AboutBox box;
    QCOMPARE(box.windowTitle(), QStringLiteral("Aboutbox"));
    QCOMPARE(box.minimumSize(), QSize(385, 212));
    QCOMPARE(box.size(), QSize(385, 212));
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    box.resize(200, 100);
    QCOMPARE(box.size(), QSize(385, 212));
    QCOMPARE(box.styleSheet(), loadStyleSheet(QStringLiteral("base.qss")));

    auto *browser = box.findChild<QTextBrowser *>(QStringLiteral("textBrowser"));
    QVERIFY(browser);
    QCOMPARE(AboutBox::version(), QStringLiteral("1.0.2.6"));
    const QString text = browser->toPlainText();
    QVERIFY2(text.contains(QStringLiteral("         Vyra Sequencer Application Version 1.0.2.6")),
             qPrintable(text));
    QCOMPARE(browser->document()->blockCount(), 4);
}

void TestAppearance::aboutBoxClosesOnItsButton()
{
    AboutBox box;
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    auto *close = box.findChild<QPushButton *>(QStringLiteral("pushButton"));
    QVERIFY(close);
    QCOMPARE(close->text(), QStringLiteral("Close"));
    QTest::mouseClick(close, Qt::LeftButton);
    QVERIFY(!box.isVisible());
}

using Helper = QMessageBox::StandardButton (*)(QWidget *, const QString &, const QString &);
Q_DECLARE_METATYPE(Helper)

void TestAppearance::messageBoxHelpers_data()
{
    QTest::addColumn<Helper>("helper");
    QTest::addColumn<int>("icon");
    QTest::newRow("critical") << Helper(&showCritical) << int(QMessageBox::Critical);
    QTest::newRow("information") << Helper(&showInformation) << int(QMessageBox::Information);
    QTest::newRow("warning") << Helper(&showWarning) << int(QMessageBox::Warning);
}

void TestAppearance::messageBoxHelpers()
{
    QFETCH(Helper, helper);
    QFETCH(int, icon);
    QWidget parent;
    ModalAnswerer answerer;
    answerer.pressInNextMessageBox(QMessageBox::Ok);

    const auto pressed = helper(&parent, QStringLiteral("Something happened."), messageBoxTitle());

    QCOMPARE(pressed, QMessageBox::Ok);
    QCOMPARE(answerer.messages.size(), 1);
    const ModalAnswerer::Message &message = answerer.messages.first();
    QCOMPARE(message.title, QStringLiteral("Vyra Sequencer"));
    QCOMPARE(message.text, QStringLiteral("Something happened."));
    QCOMPARE(int(message.icon), icon);
    QCOMPARE(message.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QCOMPARE(message.styleSheet, loadStyleSheet(QStringLiteral("base.qss")));
    // The box is gone once answered.
    QVERIFY(parent.findChildren<QMessageBox *>().isEmpty());
}

void TestAppearance::askQuestionReturnsThePressedButton()
{
    ModalAnswerer answerer;
    answerer.pressInNextMessageBox(QMessageBox::No);
    answerer.pressInNextMessageBox(QMessageBox::Yes);

    QCOMPARE(askQuestion(nullptr, QStringLiteral("Discard?"), QMessageBox::Yes, QMessageBox::No),
             QMessageBox::No);
    QCOMPARE(askQuestion(nullptr, QStringLiteral("Discard?"), QMessageBox::Yes, QMessageBox::No),
             QMessageBox::Yes);
    QCOMPARE(answerer.messages.size(), 2);
    QCOMPARE(answerer.messages.first().icon, QMessageBox::Information);
    QCOMPARE(answerer.messages.first().buttons, QMessageBox::Yes | QMessageBox::No);
    QCOMPARE(answerer.messages.first().title, QStringLiteral("Vyra Sequencer"));
}

void TestAppearance::createMessageBoxBuildsAChild()
{
    QWidget parent;
    QMessageBox *box = createMessageBox(&parent, QStringLiteral("Text"), QStringLiteral("Title"),
                                        QMessageBox::Ok | QMessageBox::Cancel);
    QCOMPARE(box->parent(), &parent);
    QCOMPARE(box->text(), QStringLiteral("Text"));
    QCOMPARE(box->windowTitle(), QStringLiteral("Title"));
    QCOMPARE(box->standardButtons(), QMessageBox::Ok | QMessageBox::Cancel);
    QCOMPARE(box->styleSheet(), loadStyleSheet(QStringLiteral("base.qss")));
    QVERIFY(!box->isVisible());
}

QTEST_MAIN(TestAppearance)
#include "tst_appearance.moc"
