#include "shell/status_panes.h"

#include <QFontMetrics>

#include "shell/sjis_text.h"

namespace {
// The message pane's idle text, then the indicators as the frame shows them at start-up
// (insert mode is on; the lock states cannot be read portably, so those panes stay greyed).
const char* const kInitialTexts[StatusPanes::PANES] = {"ﾚﾃﾞｨ", "INS", "ｶﾅ", "CAP", "NUM", "SCRL"};
}  // namespace

StatusPanes::StatusPanes(QStatusBar* bar) {
    for (int pane = 0; pane < PANES; ++pane) {
        auto* label = new QLabel(QString::fromUtf8(kInitialTexts[pane]), bar);
        label->setObjectName(QStringLiteral("pane%1").arg(pane));
        if (pane == 0) {
            // A normal widget: menu prompts replace it for a while, as fly-by help should, and
            // when a prompt ends the pane reads its idle text again.
            bar->addWidget(label, 1);
            QObject::connect(bar, &QStatusBar::messageChanged, label, [label](const QString& text) {
                if (text.isEmpty()) label->setText(QString::fromUtf8(kInitialTexts[0]));
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
    panes_[pane]->setText(sjisToQString(text));
}

QString StatusPanes::paneText(int pane) const {
    if (pane < 0 || pane >= PANES) return {};
    return panes_[pane]->text();
}
