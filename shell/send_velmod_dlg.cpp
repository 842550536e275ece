#include "shell/send_velmod_dlg.h"

#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "console/link_context.h"

namespace {

QLabel* textLabel(QWidget* parent, const char* name) {
    auto* label = new QLabel(parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    label->setWordWrap(true);
    return label;
}

}  // namespace

CSendVelmodDlg::CSendVelmodDlg(LinkContext* ctx, const QString& textPath, QWidget* parent)
    : QDialog(parent), sender_(ctx), rate_(ctx->baudRate) {
    setObjectName(QStringLiteral("sendVelmodDialog"));
    setWindowTitle(QStringLiteral("Send VELMOD over the cable"));
    auto* layout = new QVBoxLayout(this);
    steps_ = textLabel(this, "steps");
    // The DOS commands line up as they are to be typed.
    steps_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    layout->addWidget(steps_);
    progress_ = new QProgressBar(this);
    progress_->setObjectName(QStringLiteral("progress"));
    layout->addWidget(progress_);
    state_ = textLabel(this, "state");
    layout->addWidget(state_);
    auto* buttons = new QHBoxLayout;
    begin_ = new QPushButton(QStringLiteral("COPY is running"), this);
    begin_->setObjectName(QStringLiteral("beginText"));
    begin_->setDefault(true);
    close_ = new QPushButton(QStringLiteral("Cancel"), this);
    close_->setObjectName(QStringLiteral("close"));
    // Enter means COPY is running, never Cancel.
    close_->setAutoDefault(false);
    buttons->addStretch();
    buttons->addWidget(begin_);
    buttons->addWidget(close_);
    layout->addLayout(buttons);
    connect(begin_, &QPushButton::clicked, this, &CSendVelmodDlg::beginText);
    connect(close_, &QPushButton::clicked, this, &CSendVelmodDlg::reject);

    timer_.setSingleShot(true);
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, &CSendVelmodDlg::tick);
    if (sender_.start(textPath.toStdString())) {
        steps_->setText(QString::fromStdString(velmod_copy_steps(rate_)));
        progress_->setRange(0, int(sender_.textSize()));
    }
    showState();
}

void CSendVelmodDlg::beginText() {
    sender_.beginText(velmod_now_us());
    timer_.start(0);
    showState();
}

void CSendVelmodDlg::tick() {
    const int64_t waitUs = sender_.step(velmod_now_us());
    // Woken a little early rather than late: the sender keeps its own schedule.
    if (waitUs >= 0) timer_.start(int(waitUs / 1000));
    showState();
}

void CSendVelmodDlg::showState() {
    const SendPhase phase = sender_.phase();
    begin_->setVisible(phase == SendPhase::Waiting);
    close_->setText(phase == SendPhase::Waiting || phase == SendPhase::Text
                        ? QStringLiteral("Cancel")
                        : QStringLiteral("Close"));
    progress_->setVisible(phase != SendPhase::Failed);
    progress_->setValue(int(sender_.textSent()));
    switch (phase) {
        case SendPhase::Waiting:
            state_->setText(
                QStringLiteral("Nothing sent yet. Press Enter once COPY is running on "
                               "the DOS machine, within a minute of starting it."));
            break;
        case SendPhase::Text: {
            const int left = sender_.secondsLeft();
            state_->setText(QStringLiteral("%1 of %2 bytes, %3:%4 left")
                                .arg(sender_.textSent())
                                .arg(sender_.textSize())
                                .arg(left / 60)
                                .arg(left % 60, 2, 10, QLatin1Char('0')));
            break;
        }
        case SendPhase::Done:
            state_->setText(QString::fromStdString(velmod_start_steps(rate_)));
            break;
        case SendPhase::Failed:
            state_->setText(QString::fromStdString(sender_.problem()));
            break;
    }
}

void CSendVelmodDlg::reject() {
    const SendPhase phase = sender_.phase();
    if (phase == SendPhase::Waiting || phase == SendPhase::Text) {
        // The first Cancel ends COPY and leaves the dialog open to say what to delete.
        timer_.stop();
        sender_.cancel();
        showState();
        return;
    }
    QDialog::reject();
}
