#include "shell/status_panes.h"

#include <QFontMetrics>
#include <algorithm>

#include "shell/sjis_text.h"

namespace {
// The message pane's idle text, then the indicators as the frame shows them at start-up
// (insert mode is on; the lock states cannot be read portably, so those panes stay greyed).
const char* const kInitialTexts[StatusPanes::PANES] = {"ﾚﾃﾞｨ", "INS", "ｶﾅ", "CAP", "NUM", "SCRL"};
constexpr qint64 kMessageFrameMs = 40;
}  // namespace

StatusPanes::StatusPanes(QStatusBar* bar) {
    messageDue_.setSingleShot(true);
    messageDue_.callOnTimeout([this] { showMessage(); });
    for (int pane = 0; pane < PANES; ++pane) {
        auto* label = new QLabel(QString::fromUtf8(kInitialTexts[pane]), bar);
        label->setObjectName(QStringLiteral("pane%1").arg(pane));
        if (pane == 0) {
            // A normal widget: menu prompts replace it for a while, as fly-by help should, and
            // when a prompt ends the pane reads its idle text again.
            bar->addWidget(label, 1);
            QObject::connect(bar, &QStatusBar::messageChanged, label, [this](const QString& text) {
                if (!text.isEmpty()) return;
                messagePending_ = false;
                messageDue_.stop();
                panes_[0]->setText(QString::fromUtf8(kInitialTexts[0]));
            });
        } else {
            label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
            label->setAlignment(Qt::AlignCenter);
            label->setMinimumWidth(label->fontMetrics().horizontalAdvance(label->text()) + 8);
            label->setEnabled(pane == 1);
            bar->addPermanentWidget(label);
        }
        panes_[pane] = label;
    }
}

void StatusPanes::setPaneText(int pane, const char* text) {
    if (pane < 0 || pane >= PANES || !text) return;
    if (pane != 0) {
        panes_[pane]->setText(sjisToQString(text));
        return;
    }
    message_ = text;
    messagePending_ = true;
    if (messageDue_.isActive()) return;
    const qint64 since = messageShown_.isValid() ? messageShown_.elapsed() : kMessageFrameMs;
    messageDue_.start(static_cast<int>(std::max<qint64>(0, kMessageFrameMs - since)));
}

void StatusPanes::showMessage() {
    if (!messagePending_) return;
    messagePending_ = false;
    panes_[0]->setText(sjisToQString(message_));
    messageShown_.restart();
}

QString StatusPanes::paneText(int pane) const {
    if (pane < 0 || pane >= PANES) return {};
    if (pane == 0 && messagePending_) return sjisToQString(message_);
    return panes_[pane]->text();
}
