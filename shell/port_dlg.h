// The port settings dialog: verification on or off, and a choice between COM1 and a second
// port. Beside each choice stands the device it opens on this machine and whether that device
// is there and usable. The dialog only hands back the choice; a_applyPortChoice applies it.
#pragma once
#include <QDialog>

#include "driver/port_choice.h"

class QCheckBox;
class QRadioButton;
class QGridLayout;
struct LinkContext;

class CPortDlg : public QDialog {
    Q_OBJECT
  public:
    // `offered` comes from a_portChoiceOffered; the devices are looked up through `ctx`'s
    // COMn=PATH settings.
    CPortDlg(const LinkContext* ctx, const PortChoice& offered, QWidget* parent = nullptr);

    // The choice as the controls stand.
    PortChoice choice() const;

  private:
    void addPort(QGridLayout* ports, const LinkContext* ctx, int row, int port,
                 QRadioButton* button);

    int secondPort_;
    QCheckBox* verify_;
    QRadioButton* first_;
    QRadioButton* second_;
};
