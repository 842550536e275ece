// The settings information dialog: port, verification, speed, stop bits and time-out as they
// stand for this run. It changes nothing.
#pragma once
#include <QDialog>

struct LinkContext;

class CSettingInfoDlg : public QDialog {
    Q_OBJECT
  public:
    explicit CSettingInfoDlg(const LinkContext* ctx, QWidget* parent = nullptr);

    // The five value texts, in the order port, verification, speed, stop bits, time-out.
    static QStringList valueTexts(const LinkContext* ctx);
};
