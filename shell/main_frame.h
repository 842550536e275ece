// The main window: menus, accelerators, the tool bar, the six status-bar panes and the console
// view. It only wires commands to their handlers, enables them from the link state, sizes itself
// from the console font, and on closing releases the port and remembers its place.
#pragma once
#include <QMainWindow>
#include <memory>

#include "shell/window_position.h"

class CVelmoDoc;
class CVelmoView;
class HelpWindow;
class StatusPanes;
class QAction;

class CMainFrame : public QMainWindow {
    Q_OBJECT
  public:
    CMainFrame(CVelmoDoc* doc, WindowPosition position);
    ~CMainFrame() override;

    CVelmoView* view() const { return view_; }
    StatusPanes* statusPanes() const { return panes_.get(); }
    QAction* cancelAction() const { return cancel_; }
    QAction* portAction() const { return port_; }
    QAction* sendVelmodAction() const { return sendVelmod_; }
    HelpWindow* helpWindow() const { return help_; }

    // Sizes the window so that the console shows 82 by 25 cells, at the remembered place.
    void placeAndSize();

  public slots:
    void updateCommandStates();
    void showHelp();
    void showVersion();
    void sendVelmod();

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    QAction* makeAction(const char* text, const char* prompt, const char* iconName = nullptr);
    void createMenus();
    void createToolBar();
    void createAccelerators();

    CVelmoDoc* doc_;
    WindowPosition position_;
    CVelmoView* view_;
    std::unique_ptr<StatusPanes> panes_;
    QToolBar* toolBar_ = nullptr;
    QAction* cancel_ = nullptr;
    QAction* port_ = nullptr;
    QAction* sendVelmod_ = nullptr;
    QAction* settingInfo_ = nullptr;
    QAction* version_ = nullptr;
    HelpWindow* help_ = nullptr;
};
