// Where the main window was last closed: QSettings(organisation, "Velmo"), group "Pos", entries
// "Left_x" and "Left_y". The organisation is a parameter so that tests keep away from the user's
// own settings.
#pragma once
#include <QList>
#include <QPoint>
#include <QRect>
#include <QString>

struct LinkContext;

class WindowPosition {
  public:
    explicit WindowPosition(QString organisation);

    // Missing values read as 0.
    void load(LinkContext* ctx) const;
    // A corner above or left of the screen is saved as 0.
    void save(QPoint topLeft) const;

    // Where a window `width` wide with a title bar `titleHeight` tall opens: at `saved` when
    // enough of its title bar lies on one of `screens` to grab it, else at the top-left corner.
    static QPoint placement(QPoint saved, int width, int titleHeight, const QList<QRect>& screens);

  private:
    QString organisation_;
};
