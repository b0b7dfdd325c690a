#pragma once
// The desktop program's one window: titled "Tamboro VERSION Beta", the menu
// bar from the menu table, the front panel at the top-left of a black
// client area, the 10 ms refill timer, and the question about unsaved
// changes when it closes. Main thread.

#include <QMainWindow>
#include <QTimer>

#include <functional>
#include <map>
#include <memory>

#include "commands/desktop_session.h"
#include "commands/menu_commands.h"
#include "desktop/desktop_panel_host.h"
#include "desktop/qt_shell.h"
#include "panel/panel_resources.h"
#include "panel/panel_widget.h"

class QAction;

namespace tamboro {

// "Tamboro 1.0a Beta": the window's title, and the caption of its question.
QString mainWindowTitle();

class MainWindow : public QMainWindow, private CommandWindow {
public:
    // `song`, `output`, `folders` and `resources` outlive the window. With
    // `shell` null the window talks to the user through its own QtShell;
    // tests give a scripted one.
    MainWindow(SongState& song, AudioOutput& output, FileFolders& folders,
               const PanelResources& resources, Shell* shell = nullptr);
    ~MainWindow() override;

    DesktopSession& session() { return session_; }
    Shell& shell() { return *session_.shell; }
    QtShell& qtShell() { return *qtShell_; }
    PanelWidget& panel() { return *panel_; }
    const PanelResources& resources() const { return resources_; }
    // The menu item of command `id`, or nullptr.
    QAction* menuItem(int id) const;

    // Runs menu command `id`, as choosing its item does.
    void onMenuCommand(int id);

    // The 10 ms tick of the audio output runs from now on.
    void startRefillTimer();
    bool refillTimerActive() const { return refillTimer_.isActive(); }

    // Runs `act` once, right after the panel was first painted (or after
    // `latestMs` when no paint came by then).
    void afterFirstPaint(std::function<void()> act, int latestMs = 500);

    // Called once the window has agreed to close.
    void setOnClosed(std::function<void()> onClosed) { onClosed_ = std::move(onClosed); }

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void postClose() override;
    void runAbout() override;
    void repaintErasing() override;
    void runAfterFirstPaint();

    DesktopSession session_;
    const PanelResources& resources_;
    DesktopPanelHost host_;
    PanelWidget* panel_ = nullptr;       // owned by the window
    std::map<int, QAction*> menuItems_;
    std::unique_ptr<QtShell> qtShell_;
    QTimer refillTimer_;
    std::function<void()> afterFirstPaint_;
    std::function<void()> onClosed_;
};

}  // namespace tamboro
