#include "desktop/qt_shell.h"

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

#include "desktop/dialogs.h"
#include "desktop/main_window.h"

namespace tamboro {

namespace {

QString fromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

QtShell::QtShell(QWidget& mainWindow, std::map<int, QAction*> items, Repaints repaints)
    : mainWindow_(mainWindow), items_(std::move(items)), repaints_(std::move(repaints)) {}

void QtShell::showMessage(MessageOwner owner, std::string_view text, std::string_view caption,
                          MessageIcon icon) {
    QWidget* parent = nullptr;
    if (owner == MessageOwner::MainWindow)
        parent = &mainWindow_;
    else if (owner == MessageOwner::Dialog)
        parent = QApplication::activeModalWidget() != nullptr ? QApplication::activeModalWidget() : &mainWindow_;
    QMessageBox box(icon == MessageIcon::Warning ? QMessageBox::Warning : QMessageBox::Information,
                    fromUtf8(caption), fromUtf8(text), QMessageBox::Ok, parent);
    box.exec();
}

std::optional<std::string> QtShell::chooseFile(FileDialogMode mode, const FileFilter& filter,
                                               const std::string& folder,
                                               const std::string& startPath) {
    // Qt's own dialog rather than the desktop's: its modal loop runs in this
    // thread and keeps dispatching the refill timer.
    QFileDialog dialog(&mainWindow_);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setNameFilter(QString::fromUtf8(filter.description));
    if (mode == FileDialogMode::Open) {
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
    } else {
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setOption(QFileDialog::DontConfirmOverwrite);
    }
    if (!folder.empty())
        dialog.setDirectory(QFile::decodeName(folder.c_str()));
    if (!startPath.empty())
        dialog.selectFile(QFileInfo(QFile::decodeName(startPath.c_str())).fileName());
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return std::string(QFile::encodeName(dialog.selectedFiles().first()).constData());
}

bool QtShell::runDeviceDialog(std::string_view caption, const std::vector<std::string>& entries,
                              const std::function<void(int selected)>& onOk) {
    QStringList names;
    for (const std::string& entry : entries)
        names << QString::fromUtf8(entry.data(), static_cast<qsizetype>(entry.size()));
    return runDeviceListDialog(&mainWindow_, fromUtf8(caption), names, onOk);
}

SaveChangesAnswer QtShell::askSaveChanges() {
    QMessageBox box(QMessageBox::Question, mainWindowTitle(),
                    QStringLiteral("The song has changes that have not been saved.\n"
                                   "Save them before closing?"),
                    QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, &mainWindow_);
    box.setDefaultButton(QMessageBox::Save);
    box.setEscapeButton(QMessageBox::Cancel);
    switch (box.exec()) {
    case QMessageBox::Save:
        return SaveChangesAnswer::Save;
    case QMessageBox::Discard:
        return SaveChangesAnswer::Discard;
    default:
        return SaveChangesAnswer::Cancel;
    }
}

void QtShell::setChecked(int menuId, bool checked) {
    const auto found = items_.find(menuId);
    if (found != items_.end() && found->second != nullptr)
        found->second->setChecked(checked);
}

void QtShell::repaintPanel() {
    if (repaints_.panel)
        repaints_.panel();
}

void QtShell::repaintLamps() {
    if (repaints_.lamps)
        repaints_.lamps();
}

void QtShell::repaintTempo() {
    if (repaints_.tempo)
        repaints_.tempo();
}

}  // namespace tamboro
