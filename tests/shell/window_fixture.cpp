#include "shell/window_fixture.h"

#include <QImage>
#include <QTest>
#include <cstdio>

#include "shell/status_panes.h"
#include "shell/velmo_view.h"
#include "shell/window_position.h"

namespace {
constexpr int kCommandMs = 20000;
}

bool cellInked(const QImage& image, const LinkContext& ctx, int column, int row) {
    const qreal ratio = image.devicePixelRatio();
    const QRectF logical(column * ctx.charWidth, row * ctx.lineHeight, ctx.charWidth,
                         ctx.lineHeight);
    const QRect cell(QRectF(logical.topLeft() * ratio, logical.size() * ratio).toRect());
    for (int y = cell.top(); y <= cell.bottom(); ++y) {
        for (int x = cell.left(); x <= cell.right(); ++x) {
            if (image.pixel(x, y) != qRgb(255, 255, 255)) return true;
        }
    }
    return false;
}

void WindowTest::SetUp() {
    ctx = std::make_unique<LinkContext>();
    a_ContextDefaults(ctx.get());
    // No real serial port in a test: a path that cannot open unless a test maps a peer.
    std::snprintf(ctx->portPaths[1], PORT_PATH_MAX, "/nonexistent/velmo-test-port");
    ctx->timeoutSetting = 8;
    doc = std::make_unique<CVelmoDoc>(ctx.get());
    frame = std::make_unique<CMainFrame>(doc.get(), WindowPosition(QStringLiteral("VelmoTest")));
    frame->placeAndSize();
    frame->show();
    frame->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(frame.get()));
    view()->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([this] { return view()->hasFocus(); }));
}

void WindowTest::TearDown() {
    frame.reset();
    doc.reset();
    ctx.reset();
}

std::string WindowTest::line(int index) const {
    return std::string(ctx->lines[index].text, ctx->lines[index].length);
}

bool WindowTest::consoleShows(const std::string& text) const {
    for (int i = 0; i < ctx->lineCount; ++i) {
        if (line(i).find(text) != std::string::npos) return true;
    }
    return false;
}

std::string WindowTest::input() const {
    return std::string(ctx->inputLine, ctx->inputLength);
}

QString WindowTest::pane(int index) const {
    return frame->statusPanes()->paneText(index);
}

void WindowTest::type(const QString& text) const {
    for (QChar c : text) QTest::keyClick(view(), c.toLatin1());
}

void WindowTest::press(int key, Qt::KeyboardModifiers modifiers) const {
    QTest::keyClick(view(), static_cast<Qt::Key>(key), modifiers);
}

void WindowTest::runCommand(const QString& text) const {
    type(text);
    press(Qt::Key_Return);
    ASSERT_TRUE(QTest::qWaitFor([this] { return ctx->linkActive == 0; }, kCommandMs))
        << "the command did not end: " << text.toStdString();
}
