// The console view: paints the link context's console into a backing image, owns the caret,
// turns key events into the line editor's character and key-down calls, and runs the poll
// timer of the link driver. It holds no console data of its own.
#pragma once
#include <QImage>
#include <QTimer>
#include <QWidget>

#include "core/view_host.h"
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
    QRect caretRect() const;
    bool caretShown() const;

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
    void paintConsole();
    void typeText(const QString& text);
    void pollTick();
    void allocateImage();
    void invalidateConsole();

    LinkContext* ctx_;
    QImage image_;
    ImageDeviceContext dc_;
    QTimer pollTimer_;
    QPoint caretPos_;
    QSize consoleSize_;
    bool caretExists_ = false;    // the caret lives only while the view has the focus
    bool repaintPending_ = true;  // the paint handler must run before the next blit
    bool resizePending_ = false;  // a resize arrived while a drawing session was open
    bool backColorAdjusted_ = false;
};
