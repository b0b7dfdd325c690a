// The desktop program's menu bar, dialog boxes and its Shell: what the user
// sees and what each answer leads to.

#include <gtest/gtest.h>

#include <QDialog>
#include <QFileDialog>
#include <QListView>
#include <QLineEdit>
#include <QListWidget>
#include <QMainWindow>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>

#include "desktop/dialog_ids.h"
#include "desktop/dialogs.h"
#include "desktop/menu_bar.h"
#include "desktop/menu_table.h"
#include "desktop/qt_shell.h"
#include "tests/files/wave_bytes.h"
#include "tests/support/qt_application.h"

namespace tamboro {
namespace {

using test::whenModalOpens;

QPushButton* dialogButton(QWidget* dialog, int id) {
    return findDialogControl<QPushButton>(dialog, id);
}

TEST(DesktopMenuBar, ItemsReportTheirIdentifierAndOptionsAreCheckedOnlyByTheProgram) {
    QMainWindow window;
    std::vector<int> chosen;
    const std::map<int, QAction*> actions = buildMenuBar(*window.menuBar(), [&](int id) { chosen.push_back(id); });

    const QList<QAction*> dropDowns = window.menuBar()->actions();
    ASSERT_EQ(dropDowns.size(), 4);
    EXPECT_EQ(dropDowns[0]->text(), "&File");
    EXPECT_EQ(dropDowns[OptionsDropDownIndex]->text(), "&Options");
    EXPECT_EQ(actions.size(), 15u);
    EXPECT_EQ(actions.count(40012), 0u);

    // The Options with check marks, in this order at the end of the menu.
    const QList<QAction*> options = dropDowns[OptionsDropDownIndex]->menu()->actions();
    const std::vector<int> checkable{MenuId::EnableMidiSync, MenuId::FollowMidiClock, MenuId::FollowJackTransport,
                                     MenuId::SendMidiClock};
    ASSERT_GE(options.size(), static_cast<qsizetype>(checkable.size()));
    for (size_t i = 0; i < checkable.size(); ++i)
        EXPECT_EQ(options[options.size() - static_cast<qsizetype>(checkable.size() - i)], actions.at(checkable[i]));
    EXPECT_EQ(actions.at(MenuId::FollowMidiClock)->text(), "Follow MIDI &Clock");
    EXPECT_EQ(actions.at(MenuId::FollowJackTransport)->text(), "Follow &JACK Transport");
    EXPECT_EQ(actions.at(MenuId::SendMidiClock)->text(), "Se&nd MIDI Clock");
    EXPECT_FALSE(actions.at(MenuId::SaveSong)->isCheckable());

    actions.at(MenuId::SaveSong)->trigger();
    actions.at(MenuId::About)->trigger();
    for (int id : checkable) {
        QAction* item = actions.at(id);
        EXPECT_TRUE(item->isCheckable()) << id;
        EXPECT_FALSE(item->isChecked()) << id;
        item->trigger();
        EXPECT_FALSE(item->isChecked()) << id << ": the item checked itself; only its command may";
    }
    EXPECT_EQ(chosen, (std::vector<int>{MenuId::SaveSong, MenuId::About, MenuId::EnableMidiSync,
                                        MenuId::FollowMidiClock, MenuId::FollowJackTransport, MenuId::SendMidiClock}));

    QtShell shell(window, actions, {});
    for (int id : checkable) {
        shell.setChecked(id, true);
        EXPECT_TRUE(actions.at(id)->isChecked()) << id;
        actions.at(id)->trigger();
        EXPECT_TRUE(actions.at(id)->isChecked()) << id;
    }
    shell.setChecked(MenuId::FollowMidiClock, false);
    EXPECT_FALSE(actions.at(MenuId::FollowMidiClock)->isChecked());
    EXPECT_TRUE(actions.at(MenuId::EnableMidiSync)->isChecked());
}

// The menu bar as the user reads it, and every entry reachable from the
// keyboard: each drop-down and each item has a mnemonic letter of its own
// within its menu, and each item sends its command.
TEST(DesktopMenuBar, ShowsTheMenusInOrderAndEveryEntryHasAKeyOfItsOwn) {
    QMainWindow window;
    std::vector<int> chosen;
    buildMenuBar(*window.menuBar(), [&](int id) { chosen.push_back(id); });

    auto mnemonic = [](const QString& text) {
        const qsizetype at = text.indexOf(u'&');
        return at >= 0 && at + 1 < text.size() ? text[at + 1].toLower() : QChar();
    };
    auto expectOwnKeys = [&](const QList<QAction*>& entries) {
        std::set<char16_t> keys;
        for (QAction* entry : entries) {
            if (entry->isSeparator())
                continue;
            const QChar key = mnemonic(entry->text());
            EXPECT_FALSE(key.isNull()) << entry->text().toStdString() << " has no key";
            EXPECT_TRUE(keys.insert(key.unicode()).second) << entry->text().toStdString() << " shares its key";
        }
    };

    QStringList shown;
    std::vector<int> sent;
    const QList<QAction*> dropDowns = window.menuBar()->actions();
    expectOwnKeys(dropDowns);
    for (QAction* dropDown : dropDowns) {
        shown << dropDown->text();
        expectOwnKeys(dropDown->menu()->actions());
        for (QAction* item : dropDown->menu()->actions()) {
            shown << (item->isSeparator() ? QStringLiteral("  ---") : QStringLiteral("  ") + item->text());
            if (!item->isSeparator()) {
                item->trigger();
                sent.push_back(chosen.back());
            }
        }
    }
    const QStringList expected{
        "&File", "  &New Song", "  &Open Song...", "  &Save Song...", "  ---", "  Stream To &Disk...",
        "  ---", "  E&xit",
        "&Options", "  Select &WAV Device...", "  ---", "  Select &MIDI In Device...",
        "  Enable MIDI &Sync", "  Follow MIDI &Clock", "  Follow &JACK Transport", "  Se&nd MIDI Clock",
        "&Pattern", "  Cl&ear", "  &Copy", "  &Paste",
        "&Help", "  &About...",
    };
    EXPECT_EQ(shown, expected);
    // Each item sends a command of its own, and none the unused 40012.
    EXPECT_EQ(std::set<int>(sent.begin(), sent.end()).size(), sent.size());
    EXPECT_EQ(std::count(sent.begin(), sent.end(), 40012), 0);
    EXPECT_EQ(sent.front(), MenuId::NewSong);
    EXPECT_EQ(sent.back(), MenuId::About);
}

TEST(DesktopDialogs, AboutBoxEndsWithOneOnOkAndZeroOnEscape) {
    QMainWindow window;
    whenModalOpens([](QWidget* box) {
        EXPECT_EQ(box->windowTitle(), "About");
        dialogButton(box, DialogControl::Ok)->click();
    });
    EXPECT_EQ(runAboutBox(&window), 1);
    whenModalOpens([](QWidget* box) { QTest::keyClick(box, Qt::Key_Escape); });
    EXPECT_EQ(runAboutBox(&window), 0);
}

TEST(DesktopDialogs, DeviceListReportsTheSelectedRowOnOkOnly) {
    QMainWindow window;
    const QStringList devices{"Default output", "JACK: system", "HDA Intel PCH"};
    struct Case {
        int select;          // row to select, -1 for none
        bool pressOk;
        bool expectResult;
        std::vector<int> expectCalls;
    };
    for (const Case& c : {Case{2, true, true, {2}}, Case{-1, true, true, {-1}}, Case{1, false, false, {}}}) {
        std::vector<int> calls;
        whenModalOpens([&](QWidget* box) {
            EXPECT_EQ(box->windowTitle(), "Select MIDI Device");
            auto* list = findDialogControl<QListWidget>(box, DialogControl::DeviceList);
            ASSERT_NE(list, nullptr);
            EXPECT_EQ(list->count(), 3);
            EXPECT_EQ(list->item(1)->text(), "JACK: system");
            EXPECT_TRUE(list->selectedItems().isEmpty()) << "an entry was selected at the start";
            if (c.select >= 0)
                list->item(c.select)->setSelected(true);
            dialogButton(box, c.pressOk ? DialogControl::Ok : DialogControl::Cancel)->click();
        });
        const bool result = runDeviceListDialog(&window, "Select MIDI Device", devices,
                                                [&](int selected) { calls.push_back(selected); });
        EXPECT_EQ(result, c.expectResult);
        EXPECT_EQ(calls, c.expectCalls);
    }
}

TEST(DesktopShell, MessageBoxesShowTheirTextCaptionAndIcon) {
    QMainWindow window;
    QtShell shell(window, {}, {});
    struct Seen {
        QString text, caption;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QWidget* parent = nullptr;
        int buttons = 0;
    } seen;
    auto capture = [&](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        ASSERT_NE(box, nullptr);
        seen = {box->text(), box->windowTitle(), box->icon(), box->parentWidget(),
                static_cast<int>(box->buttons().size())};
        box->button(QMessageBox::Ok)->click();
    };
    whenModalOpens(capture);
    shell.showMessage(MessageOwner::MainWindow, "Could not open MIDI device.", "Error", MessageIcon::Warning);
    EXPECT_EQ(seen.text, "Could not open MIDI device.");
    EXPECT_EQ(seen.caption, "Error");
    EXPECT_EQ(seen.icon, QMessageBox::Warning);
    EXPECT_EQ(seen.parent, &window);
    EXPECT_EQ(seen.buttons, 1);

    whenModalOpens(capture);
    shell.showMessage(MessageOwner::None, "Play Button deactivated while in MIDI Sync mode.\nPress <Play> on your "
                                          "sequencer/keyboard/synthesizer instead.",
                      "Info", MessageIcon::Information);
    EXPECT_EQ(seen.icon, QMessageBox::Information);
    EXPECT_EQ(seen.parent, nullptr);
    EXPECT_TRUE(seen.text.contains('\n'));
}

TEST(DesktopShell, FileDialogStartsInItsFolderWithTheLastNameAndMatchesAnyCase) {
    test::ScratchDir dir;
    std::filesystem::create_directories(dir / "Samples");
    std::ofstream(dir / "Samples" / "kick.wav") << "x";
    std::ofstream(dir / "Samples" / "SNARE.WAV") << "x";
    std::ofstream(dir / "Samples" / "notes.txt") << "x";
    QMainWindow window;
    QtShell shell(window, {}, {});

    QStringList shown;
    whenModalOpens([&](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->directory().absolutePath().toStdString(), (dir / "Samples").string());
        EXPECT_EQ(dialog->nameFilters(), QStringList{"WAV-Dateien (*.WAV)"});
        // Wait until the folder has been read, then list what the dialog shows.
        auto* view = dialog->findChild<QListView*>("listView");
        if (view != nullptr &&
            QTest::qWaitFor([view] { return view->model()->rowCount(view->rootIndex()) > 0; }, 5000)) {
            for (int row = 0; row < view->model()->rowCount(view->rootIndex()); ++row)
                shown << view->model()->index(row, 0, view->rootIndex()).data().toString();
        }
        // The name field starts with the last name chosen; the user types another.
        if (auto* name = dialog->findChild<QLineEdit*>("fileNameEdit")) {
            EXPECT_EQ(name->text(), "last.wav");
            name->setText("kick.wav");
        } else {
            ADD_FAILURE() << "the dialog has no file name field";
        }
        QMetaObject::invokeMethod(dialog, "accept");
    });
    const auto chosen = shell.chooseFile(FileDialogMode::Open, WaveFilter, (dir / "Samples").string(),
                                         (dir / "Elsewhere" / "last.wav").string());
    shown.sort();
    EXPECT_EQ(shown, (QStringList{"SNARE.WAV", "kick.wav"}));
    ASSERT_TRUE(chosen.has_value());
    EXPECT_EQ(*chosen, (dir / "Samples" / "kick.wav").string());

    // Cancel gives nothing.
    whenModalOpens([](QWidget* modal) { qobject_cast<QDialog*>(modal)->reject(); });
    EXPECT_FALSE(shell.chooseFile(FileDialogMode::Save, SongFilter, (dir / "").string(), "").has_value());
}

}  // namespace
}  // namespace tamboro
