// File > Send VELMOD: the typeable VELMOD over the bare cable into DOS's own COPY, in a dialog.
// It says what to type on the DOS side and sends nothing until the default button (Enter)
// says COPY is running; then the text follows with a progress bar and the time left. At the end
// it says how to start VELMOD; on a problem, what to check. Closing it while sending ends COPY
// with Ctrl+Z and says what to delete. Driven by a timer on the window thread, like the link.
#pragma once
#include <QDialog>
#include <QTimer>

#include "link/velmod_sender.h"

class QLabel;
class QProgressBar;
class QPushButton;
struct LinkContext;

class CSendVelmodDlg : public QDialog {
    Q_OBJECT
  public:
    // Opens the port of `ctx` and waits for Enter; `textPath` is VELMOD.TXT.
    CSendVelmodDlg(LinkContext* ctx, const QString& textPath, QWidget* parent = nullptr);

    const VelmodSender& sender() const { return sender_; }

  public slots:
    void reject() override;

  private:
    void beginText();
    void tick();
    void showState();

    VelmodSender sender_;
    int rate_;
    QTimer timer_;
    QLabel* steps_;
    QLabel* state_;
    QProgressBar* progress_;
    QPushButton* begin_;
    QPushButton* close_;
};
