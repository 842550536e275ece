#include "shell/window_position.h"

#include <QSettings>
#include <algorithm>

#include "console/link_context.h"

namespace {
const QString kApplication = QStringLiteral("Velmo");
const QString kLeft = QStringLiteral("Pos/Left_x");
const QString kTop = QStringLiteral("Pos/Left_y");
// A stretch of title bar this wide can be grabbed and dragged back.
constexpr int kGrabWidth = 48;
}  // namespace

WindowPosition::WindowPosition(QString organisation) : organisation_(std::move(organisation)) {}

void WindowPosition::load(LinkContext* ctx) const {
    QSettings settings(organisation_, kApplication);
    ctx->windowTop = settings.value(kTop, 0).toInt();
    ctx->windowLeft = settings.value(kLeft, 0).toInt();
}

void WindowPosition::save(QPoint topLeft) const {
    QSettings settings(organisation_, kApplication);
    settings.setValue(kTop, std::max(0, topLeft.y()));
    settings.setValue(kLeft, std::max(0, topLeft.x()));
}

QPoint WindowPosition::placement(QPoint saved, int width, int titleHeight,
                                 const QList<QRect>& screens) {
    const QRect titleBar(saved, QSize(width, titleHeight));
    for (const QRect& screen : screens) {
        const QRect shown = titleBar.intersected(screen);
        if (shown.width() >= std::min(kGrabWidth, width) && shown.height() * 2 >= titleHeight) {
            return saved;
        }
    }
    return QPoint(0, 0);
}
