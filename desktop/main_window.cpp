#include "desktop/main_window.h"

#include <QCloseEvent>
#include <QEvent>
#include <QMenuBar>

#include "commands/device_commands.h"
#include "desktop/dialogs.h"
#include "desktop/menu_bar.h"
#include "desktop/menu_table.h"
#include "tamboro_version.h"

namespace tamboro {

namespace {

constexpr int RefillPeriodMs = 10;

}  // namespace

QString mainWindowTitle() {
    return QStringLiteral("Tamboro %1 Beta").arg(QString::fromLatin1(ProgramVersion));
}

MainWindow::MainWindow(SongState& song, AudioOutput& output, FileFolders& folders,
                       const PanelResources& resources, Shell* shell)
    : session_{song, output, folders, shell, {}}, resources_(resources), host_(session_) {
    setWindowTitle(mainWindowTitle());
    menuItems_ = buildMenuBar(*menuBar(), [this](int id) { onMenuCommand(id); });
    panel_ = new PanelWidget(song, host_, resources, this);
    setCentralWidget(panel_);
    qtShell_ = std::make_unique<QtShell>(
        *this, menuItems_,
        QtShell::Repaints{[this] { panel_->repaintPanel(); }, [this] { panel_->repaintLamps(); },
                          [this] { panel_->repaintTempo(); }});
    if (session_.shell == nullptr)
        session_.shell = qtShell_.get();

    // The tick must keep its pace inside every modal loop (menus, dialogs,
    // message boxes, file dialogs), which Qt runs on this thread.
    refillTimer_.setTimerType(Qt::PreciseTimer);
    refillTimer_.setInterval(RefillPeriodMs);
    QObject::connect(&refillTimer_, &QTimer::timeout, this, [this] {
        tickCommand(session_.output, session_.song, *session_.shell);
    });
}

MainWindow::~MainWindow() {
    refillTimer_.stop();
    if (panel_ != nullptr)
        panel_->removeEventFilter(this);
}

QAction* MainWindow::menuItem(int id) const {
    const auto found = menuItems_.find(id);
    return found == menuItems_.end() ? nullptr : found->second;
}

void MainWindow::onMenuCommand(int id) {
    tamboro::onMenuCommand(session_, *this, id);
}

void MainWindow::startRefillTimer() {
    refillTimer_.start();
}

void MainWindow::afterFirstPaint(std::function<void()> act, int latestMs) {
    afterFirstPaint_ = std::move(act);
    panel_->installEventFilter(this);
    QTimer::singleShot(latestMs, this, [this] { runAfterFirstPaint(); });
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    // The work waits until the painted panel has reached the screen: a
    // zero timer runs after this paint event and its flush.
    if (watched == panel_ && event->type() == QEvent::Paint && afterFirstPaint_) {
        panel_->removeEventFilter(this);
        QTimer::singleShot(0, this, [this] { runAfterFirstPaint(); });
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::runAfterFirstPaint() {
    if (!afterFirstPaint_)
        return;
    panel_->removeEventFilter(this);
    const std::function<void()> act = std::move(afterFirstPaint_);
    afterFirstPaint_ = nullptr;
    act();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (!mayCloseSong(session_.song, session_.output, session_.folders, *session_.shell, session_.saved)) {
        event->ignore();
        return;
    }
    event->accept();
    if (onClosed_)
        onClosed_();
}

void MainWindow::postClose() {
    QTimer::singleShot(0, this, [this] { close(); });
}

void MainWindow::runAbout() {
    runAboutBox(this);
}

// The panel is the whole client area: it paints the panel anew from the
// song and everything beside it black.
void MainWindow::repaintErasing() {
    panel_->repaint();
}

}  // namespace tamboro
