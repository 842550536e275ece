// The port settings dialog: verification on or off, and a choice between COM1 and a second port
// remembered for the run (the configured port, or COM2). A change of port closes an open port so
// that the next command opens the chosen one. Nothing is written to the parameter file.
#pragma once
#include <QDialog>

class QCheckBox;
class QRadioButton;
struct LinkContext;

class CPortDlg : public QDialog {
    Q_OBJECT
  public:
    explicit CPortDlg(LinkContext* ctx, QWidget* parent = nullptr);

    // The remembered second port is set at the first opening in a run; tests start afresh.
    static void forgetSecondPort();

  public slots:
    void accept() override;

  private:
    LinkContext* ctx_;
    QCheckBox* verify_;
    QRadioButton* first_;
    QRadioButton* second_;
};
