#include "shell/velmo_view.h"

#include <QApplication>
#include <QInputMethod>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QStyleHints>
#include <algorithm>
#include <climits>

#include "console/console_paint.h"
#include "console/font_step.h"
#include "console/line_editor.h"
#include "console/link_context.h"
#include "driver/driver.h"
#include "driver/port_choice.h"
#include "shell/notice_dlg.h"
#include "shell/port_dlg.h"
#include "shell/setting_info_dlg.h"
#include "shell/sjis_text.h"

namespace {
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

// Cells a character takes on the console: its Shift-JIS bytes, or two for one without a
// Shift-JIS form (it is wide in every Japanese font that has it).
int cellsOf(const QString& character) {
    bool complete = true;
    const std::string bytes = qstringToSjis(character, &complete);
    return complete ? static_cast<int>(bytes.size()) : 2;
}

// The preedit text split into characters (a surrogate pair stays one).
QStringList charactersOf(const QString& text) {
    QStringList characters;
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype width = text.at(i).isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        characters << text.mid(i, width);
        i += width;
    }
    return characters;
}

QColor contextColor(int colorref, const QColor& fallback) {
    return colorref != -1 ? ImageDeviceContext::colorFromRef(colorref) : fallback;
}
// A tick that waits on the line keeps the window's events coming, Cancel above all. The port's
// own bytes wait for the tick itself.
void letEventsThrough() {
    QCoreApplication::processEvents(QEventLoop::ExcludeSocketNotifiers);
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
    connect(&blinkTimer_, &QTimer::timeout, this, [this] {
        blinkOn_ = !blinkOn_;
        update(caretRect());
    });
    connect(QGuiApplication::styleHints(), &QStyleHints::cursorFlashTimeChanged, this, [this] {
        if (blinkTimer_.isActive()) restartBlink();
    });
    allocateImage();
    ctx_->ioOverlapped.waitIdle = letEventsThrough;
}

CVelmoView::~CVelmoView() {
    ctx_->ioOverlapped.waitIdle = nullptr;
    pollTimer_.stop();
    dc_.end();
}

QSize CVelmoView::fitConsole() {
    if (!dc_.begin()) return consoleSize_;
    // The repaint picks the font height from the client height: measure the larger font, and
    // the smaller one when 25 rows of the larger would not make the client area tall enough.
    ctx_->fontHeight = a_consoleFontHeight(INT_MAX);
    a_fontStep(ctx_, FONT_SELECT, &dc_);
    a_fontStep(ctx_, FONT_RELEASE, &dc_);
    const int fitting = a_consoleFontHeight(WINDOW_ROWS * ctx_->lineHeight);
    if (fitting != ctx_->fontHeight) {
        ctx_->fontHeight = fitting;
        a_fontStep(ctx_, FONT_SELECT, &dc_);
        a_fontStep(ctx_, FONT_RELEASE, &dc_);
    }
    dc_.end();
    consoleSize_ = QSize(WINDOW_COLUMNS * ctx_->charWidth, WINDOW_ROWS * ctx_->lineHeight);
    updateGeometry();
    return consoleSize_;
}

QSize CVelmoView::sizeHint() const {
    return consoleSize_.isValid() ? consoleSize_ : QWidget::sizeHint();
}

QRect CVelmoView::insertionCell() const {
    // The console code places the caret on the cell's bottom pixel row.
    const int top = caretPos_.y() + ctx_->caretHeight - ctx_->lineHeight;
    return QRect(caretPos_.x(), top, ctx_->charWidth, ctx_->lineHeight);
}

QRect CVelmoView::caretRect() const {
    const QRect cell = insertionCell();
    const CellMetrics& metrics = dc_.consoleMetrics();
    const int y = std::min(cell.top() + metrics.ascent + metrics.underline,
                           cell.bottom() + 1 - ctx_->caretHeight);
    const int x = cell.left() + preeditCellsBefore(preeditCursor_) * ctx_->charWidth;
    return QRect(x, y, ctx_->caretWidth, ctx_->caretHeight);
}

bool CVelmoView::caretShown() const {
    return caretExists_ && ctx_->caretVisible;
}

void CVelmoView::setTimer(int id, int milliseconds) {
    if (id != POLL_TIMER_ID) return;
    pollTimer_.start(milliseconds);
    watchPort();
}

void CVelmoView::killTimer(int id) {
    if (id == POLL_TIMER_ID) pollTimer_.stop();
}

// Bytes that arrive while the timer runs start the tick at once, as the batch front end's
// wait does: a transfer then runs at the line's pace, not the timer's. The watch stays on from
// tick to tick (each switch wakes the event loop) and goes off when the command ends.
void CVelmoView::watchPort() {
    if (ctx_->portOpen != 1 || ctx_->portHandle < 0) return;
    if (!portReady_ || portReady_->socket() != ctx_->portHandle) {
        portReady_ = std::make_unique<QSocketNotifier>(ctx_->portHandle, QSocketNotifier::Read);
        connect(portReady_.get(), &QSocketNotifier::activated, this, &CVelmoView::pollTick);
    }
    if (!portReady_->isEnabled()) portReady_->setEnabled(true);
}

void CVelmoView::closePort() {
    if (portReady_) portReady_->setEnabled(false);
    ctx_->ioOverlapped.cutWait = 1;  // a tick waiting on the line must not read on without it
    a_closePort(ctx_);
}

DeviceContext* CVelmoView::getDC() {
    return dc_.begin() ? &dc_ : nullptr;
}

void CVelmoView::releaseDC(DeviceContext* dc) {
    if (dc != &dc_) return;
    dc_.end();
    if (resizePending_) allocateImage();
    update(dc_.takeDrawn());
}

void CVelmoView::restartBlink() {
    blinkOn_ = true;
    const int flashTime = QGuiApplication::styleHints()->cursorFlashTime();
    if (caretExists_ && flashTime > 0) {
        blinkTimer_.start(flashTime / 2);
    } else {
        blinkTimer_.stop();
    }
}

// Every key shows the caret again from the start of its blink, so it stays solid while typing.
void CVelmoView::showCaret() {
    restartBlink();
    update(caretRect());
}

void CVelmoView::hideCaret() {
    blinkTimer_.stop();
    update(caretRect());
}

void CVelmoView::setCaretPos(int x, int y) {
    update(caretRect());
    caretPos_ = QPoint(x, y);
    update(caretRect());
    caretMoved();
}

void CVelmoView::caretMoved() {
    if (hasFocus()) QGuiApplication::inputMethod()->update(Qt::ImCursorRectangle);
}

void CVelmoView::paintEvent(QPaintEvent*) {
    // While a tick holds the image (a message box inside it runs the event loop), only the
    // image as it stands is shown; the full repaint follows once the tick has let go.
    if (!dc_.active()) {
        // Moved to a screen of another scale: the console is painted again at its resolution.
        if (image_.devicePixelRatio() != devicePixelRatioF()) allocateImage();
        if (repaintPending_ && dc_.begin()) {
            repaintPending_ = false;
            a_paintConsole(ctx_, this, &dc_, width(), height(), !backColorAdjusted_);
            if (ctx_->backColor != -1) backColorAdjusted_ = true;
            dc_.end();
            dc_.takeDrawn();  // all of it is shown by this paint
        }
    }
    QPainter painter(this);
    painter.drawImage(0, 0, image_);
    paintPreedit(&painter);
    if (caretShown() && blinkOn_) {
        painter.fillRect(caretRect(),
                         contextColor(ctx_->textColor, ImageDeviceContext::defaultText));
    }
}

int CVelmoView::preeditCellsBefore(int position) const {
    int cells = 0;
    int index = 0;
    for (const QString& character : charactersOf(preedit_)) {
        if (index >= position) break;
        cells += cellsOf(character);
        index += static_cast<int>(character.size());
    }
    return cells;
}

// The text being composed, over the cells from the insertion point on, in the console font
// with the dotted underline of text not yet converted. It is not in the line until committed.
void CVelmoView::paintPreedit(QPainter* painter) const {
    if (preedit_.isEmpty() || ctx_->linkActive != 0) return;
    const QColor back = contextColor(ctx_->backColor, ImageDeviceContext::defaultBack);
    const QColor text = contextColor(ctx_->textColor, ImageDeviceContext::defaultText);
    const QRect start = insertionCell();
    painter->setFont(consoleFont(ctx_->fontHeight));
    int x = start.left();
    for (const QString& character : charactersOf(preedit_)) {
        const QRect cells(x, start.top(), cellsOf(character) * ctx_->charWidth, start.height());
        painter->fillRect(cells, back);
        painter->setPen(text);
        drawCellGlyph(painter, cells, character);
        x = cells.right() + 1;
    }
    const CellMetrics& metrics = dc_.consoleMetrics();
    const int underline =
        std::min(start.top() + metrics.ascent + metrics.underline, start.bottom());
    painter->setPen(QPen(text, 1, Qt::DotLine));
    painter->drawLine(start.left(), underline, x - 1, underline);
}

void CVelmoView::allocateImage() {
    resizePending_ = false;
    const qreal ratio = devicePixelRatioF();
    image_ =
        QImage((QSizeF(size().expandedTo(QSize(1, 1))) * ratio).toSize(), QImage::Format_RGB32);
    image_.setDevicePixelRatio(ratio);
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
    // Alt combinations are the menus' and the system's (on Windows they never reach the
    // editor's handlers), so Alt+Left is not Left nor Alt+Enter Enter.
    if (event->modifiers() & (Qt::AltModifier | Qt::MetaModifier)) {
        event->ignore();
        return;
    }
    const int virtualKey = virtualKeyOf(event->key());
    const int control = controlCharOf(event->key());
    if (virtualKey) {
        // The same keys on the numeric keypad (NumLock off) do nothing.
        if (!(event->modifiers() & Qt::KeypadModifier)) a_editKeyDown(ctx_, this, virtualKey);
    } else if (control) {
        a_editChar(ctx_, this, control);
    } else {
        typeText(event->text());
    }
    emit linkStateChanged();
}

void CVelmoView::inputMethodEvent(QInputMethodEvent* event) {
    typeText(event->commitString());
    preedit_ = event->preeditString();
    preeditCursor_ = static_cast<int>(preedit_.size());
    for (const QInputMethodEvent::Attribute& attribute : event->attributes()) {
        if (attribute.type == QInputMethodEvent::Cursor) preeditCursor_ = attribute.start;
    }
    update();
    caretMoved();
    event->accept();
    emit linkStateChanged();
}

QVariant CVelmoView::inputMethodQuery(Qt::InputMethodQuery query) const {
    switch (query) {
        case Qt::ImEnabled:
            return true;
        case Qt::ImCursorRectangle:
            // The cell the caret underlines, where the input method puts its candidate window.
            return QRect(caretRect().left(), insertionCell().top(), ctx_->charWidth,
                         ctx_->lineHeight);
        case Qt::ImFont:
            return consoleFont(ctx_->fontHeight);
        default:
            return QWidget::inputMethodQuery(query);
    }
}

// Each Shift-JIS byte is one editor position, so a double-byte character arrives as two. Text
// with a character that has no Shift-JIS form is refused whole: with the character left out,
// a file name would name another file.
void CVelmoView::typeText(const QString& text) {
    if (text.isEmpty()) return;
    bool complete = true;
    const std::string bytes = qstringToSjis(text, &complete);
    if (!complete) {
        QApplication::beep();
        return;
    }
    for (unsigned char byte : bytes) a_editChar(ctx_, this, byte);
}

void CVelmoView::focusInEvent(QFocusEvent* event) {
    caretExists_ = true;
    ctx_->caretVisible = 1;
    showCaret();
    QWidget::focusInEvent(event);
}

void CVelmoView::focusOutEvent(QFocusEvent* event) {
    ctx_->caretVisible = 0;
    caretExists_ = false;
    hideCaret();
    QWidget::focusOutEvent(event);
}

bool CVelmoView::focusNextPrevChild(bool) {
    return false;
}

void CVelmoView::pollTick() {
    a_driverTick(ctx_, this, POLL_TIMER_ID);
    // No tick is due (the command ended, or the port was closed): bytes that come now are not
    // waited for.
    if (ctx_->timerArmed == 0 && portReady_) portReady_->setEnabled(false);
    emit linkStateChanged();
}

void CVelmoView::cancelCommand() {
    a_cancelCommand(ctx_);
    // Chosen while a tick waits on the line (the wait lets events through): it ends now, not
    // at the time-out.
    if (dc_.active() && ctx_->cancelRequested == 1) ctx_->ioOverlapped.cutWait = 1;
    emit linkStateChanged();
}

void CVelmoView::portSettings() {
    if (!a_canChangePort(ctx_)) return;
    CPortDlg dialog(ctx_, a_portChoiceOffered(ctx_, secondPort_), this);
    // Remembered from the first opening on, whether or not it is confirmed.
    secondPort_ = dialog.choice().secondPort;
    if (dialog.exec() == QDialog::Accepted) a_applyPortChoice(ctx_, dialog.choice());
}

void CVelmoView::settingInformation() {
    CSettingInfoDlg dialog(ctx_, this);
    dialog.exec();
}

void CVelmoView::notice() {
    CNoticeDlg dialog(this);
    dialog.exec();
}
