// The version dialog: the caption (at most 25 bytes), two blanks and the version text, the
// program's icon and its notice line.
#pragma once
#include <QDialog>
#include <string>

struct LinkContext;

class CVersionDlg : public QDialog {
    Q_OBJECT
  public:
    explicit CVersionDlg(const LinkContext* ctx, QWidget* parent = nullptr);

    // The version line in Shift-JIS, e.g. "Quandor for MS-DOS  Ver 2.11".
    static std::string versionLine(const LinkContext* ctx);
};
