#pragma once

#include <QAbstractSpinBox>
#include <QComboBox>
#include <QLabel>
#include <QSharedPointer>
#include <QtTest>

#include "simcontrol.h"
#include "vyracamera.h"

namespace SettingsDialogTest {

constexpr int smallCamera = 1; // VK1240C: 1280 x 1024, pixel clocks 5 to 86 MHz
constexpr int largeCamera = 2; // VK2280SE-C: 1936 x 1216, ten uneven pixel clocks

inline QSharedPointer<VyraCamera> openCamera(int deviceId)
{
    return QSharedPointer<VyraCamera>(new VyraCamera(deviceId));
}

/// The simulated camera's own state, past the driver calls.
inline VyraSim::OpenCameraState stateOf(const QSharedPointer<VyraCamera> &camera)
{
    return VyraSim::Control::openCameraState(camera->handle()).value();
}

template<typename T> T *child(QWidget *dialog, const QString &name)
{
    auto *found = dialog->findChild<T *>(name);
    if (!found)
        qFatal("no %s", qPrintable(name));
    return found;
}

inline QString labelText(QWidget *dialog, const QString &name)
{
    return child<QLabel>(dialog, name)->text();
}

/// Types text over the value of a spin box, as a user who selected it would.
inline void typeInto(QAbstractSpinBox *box, const QString &text, bool confirm = true)
{
    box->setFocus();
    box->selectAll();
    QTest::keyClicks(box, text);
    if (confirm)
        QTest::keyClick(box, Qt::Key_Return);
}

/// Picks an item as the combo box's list does: it becomes current and is activated.
inline void choose(QComboBox *combo, const QString &text)
{
    const int index = combo->findText(text);
    QVERIFY2(index >= 0, qPrintable(text));
    combo->setCurrentIndex(index);
    emit combo->activated(index);
}

inline int driverCalls(const std::string &operation, int64_t command)
{
    int count = 0;
    for (const VyraSim::CallRecord &call : VyraSim::Control::calls())
        count += call.operation == operation && call.command == command;
    return count;
}

} // namespace SettingsDialogTest
