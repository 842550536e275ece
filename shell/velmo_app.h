// The application object: the start-up sequence of the window program. Constructing it touches
// the link context (defaults, then the parameter file) before any window exists; initInstance
// then reads the saved position and builds, titles, sizes, places and shows the main window.
#pragma once
#include <QString>
#include <memory>

struct LinkContext;
class CMainFrame;
class CVelmoDoc;

class CVelmoApp {
  public:
    // `organisation` names the settings' owner; tests pass their own.
    explicit CVelmoApp(QString organisation = QStringLiteral("Marobi"));
    ~CVelmoApp();

    LinkContext* context() const { return ctx_; }
    bool initInstance();
    CMainFrame* mainFrame() const { return frame_.get(); }

  private:
    QString organisation_;
    LinkContext* ctx_;
    std::unique_ptr<CVelmoDoc> doc_;
    std::unique_ptr<CMainFrame> frame_;
};
