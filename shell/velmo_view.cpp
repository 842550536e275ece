#include "shell/velmo_view.h"

#include <QApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QPainter>
#include <cstring>

#include "console/drawing.h"
#include "console/font_step.h"
#include "console/line_editor.h"
#include "console/screen_buffer.h"
#include "core/driver.h"
#include "core/link_context.h"
#include "shell/notice_dlg.h"
#include "shell/port_dlg.h"
#include "shell/setting_info_dlg.h"
#include "shell/sjis_text.h"

namespace {
constexpr int kWindowColumns = 82;
constexpr int kWindowRows = CONSOLE_LINES + 1;  // the caption row and the console lines
constexpr int kLargeFontClientHeight = 400;     // a taller client area gets the larger font
constexpr int kSmallFontHeight = 14;
constexpr int kLargeFontHeight = 16;

// 30 "=", the title, 32 "=": 80 characters.
const char kCaptionRow[] =
    "============================== [MS-DOS Monitor] ================================";

int fontHeightFor(int clientHeight) {
    return clientHeight > kLargeFontClientHeight ? kLargeFontHeight : kSmallFontHeight;
}

// The cursor-block keys the line editor knows, by their Windows virtual-key codes.
int virtualKeyOf(int qtKey) {
    switch (qtKey) {
        case Qt::Key_Left:
            return VK_LEFT;
        case Qt::Key_Up:
            return VK_UP;
        case Qt::Key_Right:
            return VK_RIGHT;
        case Qt::Key_Down:
            return VK_DOWN;
        case Qt::Key_Insert:
            return VK_INSERT;
        case Qt::Key_Delete:
            return VK_DELETE;
        default:
            return 0;
    }
}

int controlCharOf(int qtKey) {
    switch (qtKey) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            return KEY_ENTER;
        case Qt::Key_Backspace:
            return KEY_BACKSPACE;
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
            return KEY_TAB;
        case Qt::Key_Escape:
            return KEY_ESCAPE;
        default:
            return 0;
    }
}
}  // namespace

CVelmoView::CVelmoView(LinkContext* ctx, QWidget* parent)
    : QWidget(parent), ctx_(ctx), dc_(&image_, [this] { invalidateConsole(); }) {
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_InputMethodEnabled);
    setAttribute(Qt::WA_OpaquePaintEvent);
    pollTimer_.setSingleShot(true);
    pollTimer_.setTimerType(Qt::PreciseTimer);
    connect(&pollTimer_, &QTimer::timeout, this, &CVelmoView::pollTick);
    allocateImage();
}

CVelmoView::~CVelmoView() {
    pollTimer_.stop();
    dc_.end();
}

QSize CVelmoView::fitConsole() {
    if (!dc_.begin()) return consoleSize_;
    // The repaint picks the font height from the client height; measure with the height it
    // will pick for a client area of 25 rows, so that the console fills the window exactly.
    ctx_->fontHeight = kLargeFontHeight;
    a_fontStep(ctx_, FONT_SELECT, &dc_);
    a_fontStep(ctx_, FONT_RELEASE, &dc_);
    if (fontHeightFor(kWindowRows * ctx_->lineHeight) != kLargeFontHeight) {
        ctx_->fontHeight = kSmallFontHeight;
        a_fontStep(ctx_, FONT_SELECT, &dc_);
        a_fontStep(ctx_, FONT_RELEASE, &dc_);
    }
    dc_.end();
    consoleSize_ = QSize(kWindowColumns * ctx_->charWidth, kWindowRows * ctx_->lineHeight);
    updateGeometry();
    return consoleSize_;
}

QSize CVelmoView::sizeHint() const {
    return consoleSize_.isValid() ? consoleSize_ : QWidget::sizeHint();
}

QRect CVelmoView::caretRect() const {
    return QRect(caretPos_, QSize(ctx_->caretWidth, ctx_->caretHeight));
}

bool CVelmoView::caretShown() const {
    return caretExists_ && ctx_->caretVisible;
}

void CVelmoView::setTimer(int id, int milliseconds) {
    if (id == POLL_TIMER_ID) pollTimer_.start(milliseconds);
}

void CVelmoView::killTimer(int id) {
    if (id == POLL_TIMER_ID) pollTimer_.stop();
}

DeviceContext* CVelmoView::getDC() {
    return dc_.begin() ? &dc_ : nullptr;
}

void CVelmoView::releaseDC(DeviceContext* dc) {
    if (dc != &dc_) return;
    dc_.end();
    if (resizePending_) allocateImage();
    update();
}

void CVelmoView::showCaret() {
    update(caretRect());
}

void CVelmoView::hideCaret() {
    update(caretRect());
}

void CVelmoView::setCaretPos(int x, int y) {
    update(caretRect());
    caretPos_ = QPoint(x, y);
    update(caretRect());
}

// The paint handler: the caption row, every console row and the input line, from scratch.
void CVelmoView::paintConsole() {
    if (!dc_.begin()) return;
    a_caretHide(ctx_, this);
    if (ctx_->backColor != -1) {
        dc_.setBackColor(ctx_->backColor);
        if (!backColorAdjusted_) {
            // Once per run: keep the colour the image really shows for the one asked for.
            backColorAdjusted_ = true;
            ctx_->backColor = dc_.setPixel(0, 0, ctx_->backColor);
        }
    }
    if (ctx_->textColor != -1) dc_.setTextColor(ctx_->textColor);
    dc_.fillWithBrush(rect(), ctx_->backColor);

    ctx_->fontHeight = fontHeightFor(height());
    a_fontStep(ctx_, FONT_SELECT, &dc_);
    dc_.textOut(0, 0, kCaptionRow, static_cast<int>(std::strlen(kCaptionRow)));
    a_caretMove(ctx_, this, 0);
    a_caretShowWhenIdle(ctx_, this);

    ctx_->redrawPending = 1;
    ctx_->fullRedraw = 1;
    a_editRedraw(ctx_, 0, ctx_->lineHeight, &dc_);

    a_caretHide(ctx_, this);
    const int x = a_promptLength(ctx_) * ctx_->charWidth;
    const int y = ctx_->lineCount * ctx_->lineHeight;
    if (ctx_->inputLength == 0) {
        dc_.textOut(x, y, " ", 1);
    } else {
        dc_.textOut(x, y, ctx_->inputLine, ctx_->inputLength);
    }
    a_caretMove(ctx_, this, ctx_->cursorColumn);
    a_caretShowWhenIdle(ctx_, this);
    a_fontStep(ctx_, FONT_RELEASE, &dc_);
    dc_.end();
}

void CVelmoView::paintEvent(QPaintEvent*) {
    // While a tick holds the image (a message box inside it runs the event loop), only the
    // image as it stands is shown; the full repaint follows once the tick has let go.
    if (repaintPending_ && !dc_.active()) {
        repaintPending_ = false;
        paintConsole();
    }
    QPainter painter(this);
    painter.drawImage(0, 0, image_);
    if (caretShown()) {
        const int colour = ctx_->textColor != -1 ? ctx_->textColor : 0;
        painter.fillRect(caretRect(), ImageDeviceContext::colorFromRef(colour));
    }
}

void CVelmoView::allocateImage() {
    resizePending_ = false;
    image_ = QImage(size().expandedTo(QSize(1, 1)), QImage::Format_RGB32);
    image_.fill(Qt::white);
    invalidateConsole();
}

void CVelmoView::resizeEvent(QResizeEvent*) {
    if (dc_.active()) {
        resizePending_ = true;
    } else {
        allocateImage();
    }
}

void CVelmoView::invalidateConsole() {
    repaintPending_ = true;
    update();
}

void CVelmoView::keyPressEvent(QKeyEvent* event) {
    const int virtualKey = virtualKeyOf(event->key());
    const int control = controlCharOf(event->key());
    if (virtualKey) {
        // The same keys on the numeric keypad (NumLock off) do nothing.
        if (!(event->modifiers() & Qt::KeypadModifier)) a_editKeyDown(ctx_, this, virtualKey);
    } else if (control) {
        a_editChar(ctx_, this, control);
    } else if (!(event->modifiers() & (Qt::AltModifier | Qt::MetaModifier))) {
        // Alt combinations are menu keys, never characters.
        typeText(event->text());
    }
    emit linkStateChanged();
}

void CVelmoView::inputMethodEvent(QInputMethodEvent* event) {
    typeText(event->commitString());
    event->accept();
    emit linkStateChanged();
}

QVariant CVelmoView::inputMethodQuery(Qt::InputMethodQuery query) const {
    switch (query) {
        case Qt::ImEnabled:
            return true;
        case Qt::ImCursorRectangle:
            // The cell the caret underlines, where the input method puts its window.
            return QRect(caretPos_.x(), caretPos_.y() + ctx_->caretHeight - ctx_->lineHeight,
                         ctx_->charWidth, ctx_->lineHeight);
        default:
            return QWidget::inputMethodQuery(query);
    }
}

// Each Shift-JIS byte is one editor position, so a double-byte character arrives as two.
void CVelmoView::typeText(const QString& text) {
    if (text.isEmpty()) return;
    bool complete = true;
    const std::string bytes = qstringToSjis(text, &complete);
    if (!complete) QApplication::beep();
    for (unsigned char byte : bytes) a_editChar(ctx_, this, byte);
}

void CVelmoView::focusInEvent(QFocusEvent* event) {
    caretExists_ = true;
    showCaret();
    ctx_->caretVisible = 1;
    QWidget::focusInEvent(event);
}

void CVelmoView::focusOutEvent(QFocusEvent* event) {
    ctx_->caretVisible = 0;
    caretExists_ = false;
    update(caretRect());
    QWidget::focusOutEvent(event);
}

bool CVelmoView::focusNextPrevChild(bool) {
    return false;
}

void CVelmoView::pollTick() {
    a_driverTick(ctx_, this, POLL_TIMER_ID);
    emit linkStateChanged();
}

void CVelmoView::cancelCommand() {
    a_cancelCommand(ctx_);
    emit linkStateChanged();
}

void CVelmoView::portSettings() {
    if (!a_canChangePort(ctx_)) return;
    CPortDlg dialog(ctx_, this);
    dialog.exec();
}

void CVelmoView::settingInformation() {
    CSettingInfoDlg dialog(ctx_, this);
    dialog.exec();
}

void CVelmoView::notice() {
    CNoticeDlg dialog(this);
    dialog.exec();
}
