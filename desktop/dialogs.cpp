#include "desktop/dialogs.h"

#include <QDialog>
#include <QFile>
#include <QListWidget>
#include <QPushButton>
#include <QUiLoader>

#include "desktop/dialog_ids.h"
#include "resources/resource_names.h"

namespace tamboro {

namespace {

void placeAtClientOrigin(QDialog& dialog, QWidget* owner) {
    if (owner != nullptr)
        dialog.move(owner->mapToGlobal(QPoint(0, 0)));
}

}  // namespace

std::unique_ptr<QDialog> loadDialogTemplate(QStringView name, QWidget* owner) {
    QFile file(resourcePath(name));
    if (!file.open(QIODevice::ReadOnly))
        return nullptr;
    QUiLoader loader;
    std::unique_ptr<QWidget> widget(loader.load(&file, owner));
    auto* dialog = qobject_cast<QDialog*>(widget.get());
    if (dialog == nullptr)
        return nullptr;
    widget.release();
    // A child dialog is still a window of its own, modal to its owner.
    dialog->setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                           Qt::WindowCloseButtonHint);
    return std::unique_ptr<QDialog>(dialog);
}

int runAboutBox(QWidget* owner) {
    const std::unique_ptr<QDialog> box = loadDialogTemplate(u"AppAbout", owner);
    if (!box)
        return -1;
    if (auto* ok = findDialogControl<QPushButton>(box.get(), DialogControl::Ok))
        QObject::connect(ok, &QPushButton::clicked, box.get(), [&box] { box->done(1); });
    placeAtClientOrigin(*box, owner);
    return box->exec();
}

bool runDeviceListDialog(QWidget* owner, const QString& caption, const QStringList& entries,
                         const std::function<void(int selected)>& onOk) {
    const std::unique_ptr<QDialog> box = loadDialogTemplate(u"WAVSELECT", owner);
    if (!box)
        return false;
    box->setWindowTitle(caption);
    auto* list = findDialogControl<QListWidget>(box.get(), DialogControl::DeviceList);
    auto* ok = findDialogControl<QPushButton>(box.get(), DialogControl::Ok);
    auto* cancel = findDialogControl<QPushButton>(box.get(), DialogControl::Cancel);
    if (list == nullptr || ok == nullptr || cancel == nullptr)
        return false;
    list->addItems(entries);
    list->setCurrentRow(-1, QItemSelectionModel::Clear);
    QObject::connect(ok, &QPushButton::clicked, box.get(), [&] {
        const QList<QListWidgetItem*> selected = list->selectedItems();
        onOk(selected.isEmpty() ? -1 : list->row(selected.first()));
        box->done(1);
    });
    QObject::connect(cancel, &QPushButton::clicked, box.get(), [&box] { box->done(0); });
    placeAtClientOrigin(*box, owner);
    return box->exec() == 1;
}

}  // namespace tamboro
