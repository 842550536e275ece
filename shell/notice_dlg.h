// The notice dialog (Ctrl+Shift+Alt+K): the program's notice line on a pop-up with a modal frame,
// no title bar and no buttons; Enter or Esc closes it.
#pragma once
#include <QDialog>

class CNoticeDlg : public QDialog {
    Q_OBJECT
  public:
    explicit CNoticeDlg(QWidget* parent = nullptr);

    // The notice line, also shown by the version dialog.
    static QString noticeLine();

  protected:
    void keyPressEvent(QKeyEvent* event) override;
};
