// The console view: keeps the backing image the console is painted into and blits it, owns the
// blinking caret and the input method's preedit text drawn over the image, turns key events and
// input-method commits into the line editor's calls, and runs the poll timer of the link
// driver. It holds no console data of its own.
#pragma once
#include <QImage>
#include <QSocketNotifier>
#include <QTimer>
#include <QWidget>
#include <memory>

#include "base/view_host.h"
#include "shell/image_device_context.h"

struct LinkContext;

class CVelmoView : public QWidget, public ViewHost {
    Q_OBJECT
  public:
    explicit CVelmoView(LinkContext* ctx, QWidget* parent = nullptr);
    ~CVelmoView() override;

    // Measures the console font at the height the repaint will choose and asks for a client
    // area of exactly 82 by 25 character cells; returns that size.
    QSize fitConsole();
    QSize sizeHint() const override;

    const QImage& image() const { return image_; }
    // Where the caret is drawn: under the insertion point, at the font's underline position.
    QRect caretRect() const;
    bool caretShown() const;
    bool caretBlinking() const { return blinkTimer_.isActive(); }
    const QString& preeditText() const { return preedit_; }
    // Closes the port if it is open, its watch first (the window is closing).
    void closePort();

    void setTimer(int id, int milliseconds) override;
    void killTimer(int id) override;
    DeviceContext* getDC() override;
    void releaseDC(DeviceContext* dc) override;
    void showCaret() override;
    void hideCaret() override;
    void setCaretPos(int x, int y) override;

  public slots:
    void cancelCommand();
    void portSettings();
    void settingInformation();
    void notice();

  signals:
    // A command may have started, ended or been cancelled: command enabling is due.
    void linkStateChanged();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    bool focusNextPrevChild(bool next) override;  // Tab belongs to the line editor

  private:
    void typeText(const QString& text);
    void pollTick();
    void watchPort();
    void allocateImage();
    void invalidateConsole();
    void restartBlink();
    void caretMoved();
    // The cell at the insertion point, where the preedit text starts.
    QRect insertionCell() const;
    int preeditCellsBefore(int position) const;
    void paintPreedit(QPainter* painter) const;

    LinkContext* ctx_;
    QImage image_;
    ImageDeviceContext dc_;
    QTimer pollTimer_;
    // Ends the wait for the next tick as soon as the open port has bytes to read.
    std::unique_ptr<QSocketNotifier> portReady_;
    QTimer blinkTimer_;
    QPoint caretPos_;  // as the console code places it: the cell's bottom row
    QSize consoleSize_;
    QString preedit_;
    int preeditCursor_ = 0;
    int secondPort_ = 0;        // the port dialog's second port, remembered for the run
    bool caretExists_ = false;  // the caret lives only while the view has the focus
    bool blinkOn_ = true;
    bool repaintPending_ = true;  // the paint handler must run before the next blit
    bool resizePending_ = false;  // a resize arrived while a drawing session was open
    bool backColorAdjusted_ = false;
};
