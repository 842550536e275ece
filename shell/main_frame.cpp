#include "shell/main_frame.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QLayout>
#include <QMenuBar>
#include <QScreen>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>

#include "base/install_paths.h"
#include "console/link_context.h"
#include "driver/driver.h"
#include "shell/help_window.h"
#include "shell/send_velmod_dlg.h"
#include "shell/shell_resources.h"
#include "shell/sjis_text.h"
#include "shell/status_panes.h"
#include "shell/velmo_doc.h"
#include "shell/velmo_view.h"
#include "shell/version_dlg.h"

CMainFrame::CMainFrame(CVelmoDoc* doc, WindowPosition position)
    : doc_(doc), position_(std::move(position)) {
    velmo_shell_resources();
    setObjectName(QStringLiteral("mainFrame"));
    setWindowIcon(QIcon(QStringLiteral(":/velmo/velmo-48.png")));
    // The bars are shown and hidden from the View menu only, which keeps its checks true.
    setContextMenuPolicy(Qt::NoContextMenu);
    view_ = new CVelmoView(doc_->context(), this);
    setCentralWidget(view_);
    panes_ = std::make_unique<StatusPanes>(statusBar());
    doc_->context()->statusBar = panes_.get();
    createMenus();
    createToolBar();
    createAccelerators();
    connect(view_, &CVelmoView::linkStateChanged, this, &CMainFrame::updateCommandStates);
    updateCommandStates();
    view_->setFocus();
}

CMainFrame::~CMainFrame() {
    // The panes go with the frame; nothing may write to them afterwards.
    if (doc_->context()->statusBar == panes_.get()) doc_->context()->statusBar = nullptr;
}

// Menu texts and prompts are the program's own; a prompt is the status-bar text, then the tool
// tip after a line break.
QAction* CMainFrame::makeAction(const char* text, const char* prompt, const char* iconName) {
    auto* action = new QAction(QString::fromUtf8(text), this);
    const QStringList parts = QString::fromUtf8(prompt).split(QLatin1Char('\n'));
    action->setStatusTip(parts.value(0));
    action->setToolTip(parts.value(1, parts.value(0)));
    if (iconName) action->setIcon(QIcon(QStringLiteral(":/velmo/%1.png").arg(iconName)));
    return action;
}

void CMainFrame::createMenus() {
    QMenu* file = menuBar()->addMenu(QStringLiteral("ﾌｧｲﾙ(&F)"));
    sendVelmod_ =
        makeAction("VELMOD の送信(&V)...", "VELMOD をケーブルで DOS の COPY へ送る\nVELMOD の送信");
    connect(sendVelmod_, &QAction::triggered, this, &CMainFrame::sendVelmod);
    file->addAction(sendVelmod_);
    file->addSeparator();
    QAction* exit = makeAction("終了(&X)", "ｱﾌﾟﾘｹｰｼｮﾝの終了\n終了");
    connect(exit, &QAction::triggered, this, &QWidget::close);
    file->addAction(exit);

    QMenu* viewMenu = menuBar()->addMenu(QStringLiteral("表示(&V)"));
    QAction* toolBarShown = makeAction("ﾂｰﾙ ﾊﾞｰ(&T)", "ﾂｰﾙ ﾊﾞｰの表示/非表示\nﾂｰﾙ ﾊﾞｰの表示/非表示");
    toolBarShown->setCheckable(true);
    toolBarShown->setChecked(true);
    connect(toolBarShown, &QAction::toggled, this, [this](bool on) { toolBar_->setVisible(on); });
    QAction* statusShown =
        makeAction("ｽﾃｰﾀｽ ﾊﾞｰ(&S)", "ｽﾃｰﾀｽ ﾊﾞｰの表示/非表示\nｽﾃｰﾀｽ ﾊﾞｰの表示/非表示");
    statusShown->setCheckable(true);
    statusShown->setChecked(true);
    connect(statusShown, &QAction::toggled, statusBar(), &QWidget::setVisible);
    cancel_ = makeAction("ｷｬﾝｾﾙ(&C)", "処理を中断\nｷｬﾝｾﾙ", "cancel");
    connect(cancel_, &QAction::triggered, view_, &CVelmoView::cancelCommand);
    viewMenu->addActions({toolBarShown, statusShown, cancel_});

    QMenu* settings = menuBar()->addMenu(QStringLiteral("設定(&S)"));
    port_ = makeAction("通信ポート(&P)", "通信ポート設定\n通信ポート", "com-port");
    connect(port_, &QAction::triggered, view_, &CVelmoView::portSettings);
    settingInfo_ = makeAction("設定情報 (&D)", "設定情報の表示\n設定情報", "settings-info");
    connect(settingInfo_, &QAction::triggered, view_, &CVelmoView::settingInformation);
    settings->addActions({port_, settingInfo_});

    QMenu* help = menuBar()->addMenu(QStringLiteral("ﾍﾙﾌﾟ(&H)"));
    QAction* contents = makeAction("操作説明(&M)", "ヘルプ\nヘルプ");
    connect(contents, &QAction::triggered, this, &CMainFrame::showHelp);
    help->addAction(contents);
    help->addSeparator();
    version_ = makeAction("Version (&A)...", "ﾊﾞｰｼﾞｮﾝ情報\nﾊﾞｰｼﾞｮﾝ情報", "version");
    connect(version_, &QAction::triggered, this, &CMainFrame::showVersion);
    help->addAction(version_);

    for (QMenu* menu : {file, viewMenu, settings, help}) {
        connect(menu, &QMenu::aboutToShow, this, &CMainFrame::updateCommandStates);
    }
}

void CMainFrame::createToolBar() {
    toolBar_ = addToolBar(QStringLiteral("Velmo"));
    toolBar_->setObjectName(QStringLiteral("toolBar"));
    toolBar_->setMovable(false);
    toolBar_->setFloatable(false);
    toolBar_->setIconSize(QSize(16, 15));
    toolBar_->addActions({settingInfo_, port_, cancel_, version_});
}

void CMainFrame::createAccelerators() {
    QAction* notice = new QAction(this);
    notice->setObjectName(QStringLiteral("noticeAction"));
    notice->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::ALT | Qt::Key_K));
    notice->setShortcutContext(Qt::WindowShortcut);
    connect(notice, &QAction::triggered, view_, &CVelmoView::notice);
    addAction(notice);

    // The standard editing and pane keys are taken here and do nothing, so they never reach the
    // line editor (Shift+Insert would otherwise flip the insert mode).
    QAction* swallowed = new QAction(this);
    swallowed->setObjectName(QStringLiteral("swallowedKeys"));
    swallowed->setShortcuts({
        QKeySequence(Qt::CTRL | Qt::Key_C),
        QKeySequence(Qt::CTRL | Qt::Key_Insert),
        QKeySequence(Qt::CTRL | Qt::Key_V),
        QKeySequence(Qt::SHIFT | Qt::Key_Insert),
        QKeySequence(Qt::CTRL | Qt::Key_X),
        QKeySequence(Qt::SHIFT | Qt::Key_Delete),
        QKeySequence(Qt::CTRL | Qt::Key_Z),
        QKeySequence(Qt::ALT | Qt::Key_Backspace),
        QKeySequence(Qt::Key_F6),
        QKeySequence(Qt::SHIFT | Qt::Key_F6),
    });
    swallowed->setShortcutContext(Qt::WindowShortcut);
    addAction(swallowed);
}

void CMainFrame::updateCommandStates() {
    const LinkContext* ctx = doc_->context();
    cancel_->setEnabled(a_canCancel(ctx));
    port_->setEnabled(a_canChangePort(ctx));
    sendVelmod_->setEnabled(a_canChangePort(ctx));
}

void CMainFrame::showHelp() {
    if (!help_) help_ = new HelpWindow(this);
    help_->show();
    help_->raise();
    help_->activateWindow();
}

void CMainFrame::showVersion() {
    CVersionDlg dialog(doc_->context(), this);
    dialog.exec();
}

void CMainFrame::sendVelmod() {
    if (!a_canChangePort(doc_->context())) return;
    // The sender opens the port afresh and closes it when it is done.
    view_->closePort();
    CSendVelmodDlg dialog(doc_->context(), QString::fromStdString(k_velmod_dir() + "/VELMOD.TXT"),
                          this);
    dialog.exec();
}

void CMainFrame::placeAndSize() {
    const QSize console = view_->fitConsole();
    if (console.isValid()) {
        // The bars around the console take what the layout says they take.
        layout()->activate();
        const QSize bars = size() - view_->size();
        resize(console + bars);
        layout()->activate();
        resize(size() + (console - view_->size()));
    }
    // A place saved on a screen that is no longer attached, or with a sliver of the window left
    // on one, would leave the window out of reach.
    QList<QRect> screens;
    for (const QScreen* screen : QGuiApplication::screens()) screens << screen->availableGeometry();
    const LinkContext* ctx = doc_->context();
    move(WindowPosition::placement(QPoint(ctx->windowLeft, ctx->windowTop), width(),
                                   style()->pixelMetric(QStyle::PM_TitleBarHeight), screens));
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    view_->closePort();
    position_.save(frameGeometry().topLeft());
    if (help_) help_->close();
    event->accept();
}
