#pragma once

#include <QDoubleSpinBox>
#include <QGraphicsProxyWidget>
#include <QSharedPointer>
#include <QSpinBox>
#include <QTest>

#include <memory>
#include <optional>
#include <string>

#include "offscreenwarnings.h"
#include "sequenceeditor.h"
#include "sequencemodel.h"
#include "sequencepreview.h"
#include "sequencer.h"
#include "sequencerproperty.h"
#include "sequencerset.h"
#include "sequencerworkspace.h"
#include "sequencerworkspaceview.h"
#include "simcontrol.h"
#include "vyracamera.h"

/// A camera of the simulated driver with its sequencer, a sequence model with
/// its editor, and a workspace showing the model in its view, as the main
/// window holds them.
struct SequenceFixture
{
    QSharedPointer<VyraCamera> camera;
    QSharedPointer<Sequencer> sequencer;
    std::unique_ptr<SequenceModel> model;
    std::unique_ptr<SequenceEditor> editor;
    std::unique_ptr<SequencePreview> preview;
    std::unique_ptr<SequencerWorkspaceView> view;

    /// Opens the camera (the default small one unless given) and shows an
    /// active view 720 pixels wide; the call log starts empty.
    bool open(const VyraSim::CameraSpec &description = VyraSim::CameraSpec())
    {
        hideSizeHintWarnings();
        VyraSim::Control::resetToDefaults();
        VyraSim::CameraSpec camera1 = description;
        camera1.deviceId = 1;
        if (!VyraSim::Control::setCameras({camera1}))
            return false;
        camera = QSharedPointer<VyraCamera>::create(1);
        sequencer = QSharedPointer<Sequencer>::create(camera);
        model = std::make_unique<SequenceModel>();
        editor = std::make_unique<SequenceEditor>(model.get());
        editor->setCamera(camera);
        view = std::make_unique<SequencerWorkspaceView>();
        view->workspace()->setModel(model.get());
        view->workspace()->setCamera(camera);
        QObject::connect(view->workspace(), &SequencerWorkspace::setEdited, editor.get(),
                         &SequenceEditor::editSet);
        preview = std::make_unique<SequencePreview>(model.get(), camera);
        QObject::connect(view->workspace(), &SequencerWorkspace::selectedSetChanged,
                         preview.get(), &SequencePreview::show);
        view->resize(720, 600);
        view->show();
        view->activateWindow();
        if (!QTest::qWaitForWindowActive(view.get()))
            return false;
        VyraSim::Control::clearCalls();
        return true;
    }

    void close()
    {
        view.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        preview.reset();
        editor.reset();
        model.reset();
        sequencer.reset();
        camera.reset();
    }

    SequencerWorkspace *workspace() const { return view->workspace(); }
    QList<SequencerSet *> sets() const { return workspace()->sets(); }

    /// Varies these features (in this order) and adds count sets.
    void addSets(int count, const QList<quint32> &features)
    {
        for (quint32 feature : features)
            editor->setFeatureVaried(feature, true);
        for (int i = 0; i < count; ++i)
            editor->addSet();
    }

    VyraSim::OpenCameraState state() const
    {
        return VyraSim::Control::openCameraState(camera->handle()).value();
    }
};

/// The editor widget of the first row of a set's editor for the feature.
template<typename Widget> Widget *editorOf(SequencerSet *set, qint64 featureId, int row = 0)
{
    for (SequencerProperty *property : set->properties()) {
        if (property->featureId() == featureId)
            return qobject_cast<Widget *>(property->rows().value(row).second);
    }
    return nullptr;
}

/// Driver calls that change the camera's parameters or its path.
inline int writeCalls()
{
    int count = 0;
    for (const VyraSim::CallRecord &call : VyraSim::Control::calls()) {
        const bool gains = call.operation == "setSensorGains" && call.command >= 0 &&
                           call.command <= 100;
        if (gains || (call.operation == "exposureControl" && call.command == VYRA_EXPOSURE_SET) ||
            (call.operation == "aoiControl" && call.command == VYRA_AOI_SET_OFFSET) ||
            (call.operation == "flashControl" &&
             (call.command == VYRA_FLASH_PARAMS_SET || call.command == VYRA_FLASH_MODE_SET)) ||
            (call.operation == "sequencerControl" && call.command == VYRA_SEQUENCER_PATH_SET))
            ++count;
    }
    return count;
}

inline int callCount(const std::string &operation, int64_t command)
{
    int count = 0;
    for (const VyraSim::CallRecord &call : VyraSim::Control::calls())
        count += call.operation == operation && call.command == command;
    return count;
}
