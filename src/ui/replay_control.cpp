#include "ui/replay_control.h"

#include <QGridLayout>
#include <QPushButton>

#include "platform/capture_device.h"
#include "platform/file_replay.h"
#include "ui/capture_control.h"
#include "ui/dialog_service.h"

namespace kub::ui {

namespace {
const QString kCaption = QStringLiteral("Aufzeichnung abspielen…");
const QString kStopCaption = QStringLiteral("Abspielen beenden");
}  // namespace

ReplayControl::ReplayControl(BlockDispatcher& dispatcher, CaptureDevice& device, CaptureControl& capture,
                             QPushButton* start, QWidget* dialogParent)
    : QObject(start), device_(device), capture_(capture), start_(start), dialogParent_(dialogParent),
      replay_(std::make_unique<FileReplay>(dispatcher)) {
    button_ = new QPushButton(kCaption, start->parentWidget());
    button_->setObjectName(QStringLiteral("replayButton"));
    if (auto* grid = qobject_cast<QGridLayout*>(start->parentWidget()->layout())) {
        int row = 0, column = 0, rows = 0, columns = 0;
        grid->getItemPosition(grid->indexOf(start), &row, &column, &rows, &columns);
        // Beside "Start" and "stop".
        grid->addWidget(button_, row, column + 2, Qt::AlignLeft);
    }
    dispatcher.setRequeue(this);
    replay_->onFinished = [this] {
        showIdle();
        emit finished();
    };
    connect(button_, &QPushButton::clicked, this, &ReplayControl::onClicked);
    // Should "Start" come back (saving the settings re-enables it), live audio wins.
    connect(start_, &QPushButton::clicked, this, [this] {
        if (playing()) stop();
    });
}

ReplayControl::~ReplayControl() = default;

bool ReplayControl::playing() const { return replay_->running(); }

void ReplayControl::requeueBuffer(int blockNumber) {
    device_.requeueBuffer(blockNumber);
    replay_->requeueBuffer(blockNumber);
}

void ReplayControl::onClicked() {
    if (playing()) {
        stop();
        return;
    }
    const QString path = dialogs().chooseFile(dialogParent_, kCaption);
    if (!path.isEmpty()) play(path);
}

bool ReplayControl::play(const QString& path) {
    if (capture_.running()) capture_.stop();
    if (!replay_->start(path.toStdString())) {
        // The demo replays in a loop unattended: nothing may wait for an OK here.
        dialogs().notify(dialogParent_, QString::fromStdString(replay_->error()), QStringLiteral("Achtung:"),
                          DialogIcon::Warning);
        return false;
    }
    button_->setText(kStopCaption);
    start_->setEnabled(false);
    return true;
}

void ReplayControl::stop() {
    replay_->stop();
    showIdle();
}

void ReplayControl::showIdle() {
    button_->setText(kCaption);
    if (!capture_.running()) start_->setEnabled(true);
}

}  // namespace kub::ui
