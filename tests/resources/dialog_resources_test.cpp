// The two dialog templates and the embedded resources.

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QFontMetrics>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QUiLoader>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "desktop/dialog_ids.h"
#include "resources/resource_names.h"
#include "tests/support/qt_application.h"

namespace {

using namespace tamboro;

// ------------------------------------------------------------- dialogs

std::unique_ptr<QDialog> loadDialog(const QString& name) {
    const QString path = resourcePath(name);
    if (path.isEmpty()) return nullptr;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return nullptr;
    QUiLoader loader;
    std::unique_ptr<QWidget> widget(loader.load(&file));
    auto* dialog = qobject_cast<QDialog*>(widget.get());
    if (dialog == nullptr) return nullptr;
    widget.release();
    return std::unique_ptr<QDialog>(dialog);
}

// A rectangle in dialog units: x, y, width, height.
struct DuRect {
    int x, y, w, h;
};

// The widget's geometry is within a pixel of the rectangle's exact size in
// pixels (1.5 px across and 1.625 px down per unit).
void expectGeometry(const QWidget* widget, DuRect du) {
    ASSERT_NE(widget, nullptr);
    const QRect g = widget->geometry();
    SCOPED_TRACE(widget->objectName().toStdString());
    EXPECT_LE(std::abs(g.x() - du.x * 1.5), 1.0) << g.x();
    EXPECT_LE(std::abs(g.y() - du.y * 1.625), 1.0) << g.y();
    EXPECT_LE(std::abs(g.width() - du.w * 1.5), 1.0) << g.width();
    EXPECT_LE(std::abs(g.height() - du.h * 1.625), 1.0) << g.height();
}

// The dialog's client area is the template's size, it cannot be resized,
// and it is modal.
void expectFixedModalBox(const QDialog* dialog, int wDu, int hDu) {
    EXPECT_LE(std::abs(dialog->width() - wDu * 1.5), 1.0) << dialog->width();
    EXPECT_LE(std::abs(dialog->height() - hDu * 1.625), 1.0) << dialog->height();
    EXPECT_EQ(dialog->minimumSize(), dialog->size());
    EXPECT_EQ(dialog->maximumSize(), dialog->size());
    EXPECT_TRUE(dialog->isModal());
    EXPECT_EQ(dialog->pos(), QPoint(0, 0));
}

// The push button with identifier `id`, found the way the program finds
// it, and carrying the identifier as its property too.
QPushButton* button(const QDialog* dialog, int id) {
    auto* b = findDialogControl<QPushButton>(dialog, id);
    if (b != nullptr) {
        EXPECT_EQ(b->property(ControlIdProperty).toInt(), id);
    }
    return b;
}

// Presses Enter on `target`; a key it does not use goes on to its parents.
void pressEnter(QWidget* target) {
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(target, &press);
}

TEST(menuDialogAbout, HasItsCaptionControlsAndPlaces) {
    auto dialog = loadDialog(QStringLiteral("AppAbout"));
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->windowTitle(), "About");
    expectFixedModalBox(dialog.get(), 186, 86);

    QPushButton* ok = button(dialog.get(), DialogControl::Ok);
    ASSERT_NE(ok, nullptr);
    EXPECT_EQ(ok->text(), "OK");
    EXPECT_TRUE(ok->isDefault());
    expectGeometry(ok, {67, 65, 50, 14});
    EXPECT_EQ(dialog->findChildren<QPushButton*>().size(), 1);

    const QList<QLabel*> labels = dialog->findChildren<QLabel*>();
    ASSERT_EQ(labels.size(), 2);
    const QLabel* product = labels[0]->text() == "Tamboro 1.0a" ? labels[0] : labels[1];
    const QLabel* credit = product == labels[0] ? labels[1] : labels[0];
    EXPECT_EQ(product->text(), "Tamboro 1.0a");
    expectGeometry(product, {66, 16, 59, 13});
    expectGeometry(credit, {15, 34, 158, 30});
    for (const QLabel* label : {product, credit}) {
        EXPECT_EQ(label->property(ControlIdProperty).toInt(), DialogControl::None);
        EXPECT_TRUE(label->wordWrap());
        EXPECT_TRUE(label->alignment() & Qt::AlignLeft);
        EXPECT_TRUE(label->alignment() & Qt::AlignTop);
    }
}

TEST(menuDialogAbout, CreditLineWrapsWithinItsControl) {
    auto dialog = loadDialog(QStringLiteral("APPABOUT"));
    ASSERT_NE(dialog, nullptr);
    const QList<QLabel*> labels = dialog->findChildren<QLabel*>();
    ASSERT_EQ(labels.size(), 2);
    const QLabel* credit = labels[0]->text() == "Tamboro 1.0a" ? labels[1] : labels[0];

    const QString text = credit->text();
    EXPECT_GE(text.size(), 20) << "a real credit and contact text";
    const QFontMetrics metrics(credit->font());
    const QRect wrapped = metrics.boundingRect(QRect(0, 0, credit->width(), 10000),
                                               Qt::TextWordWrap | Qt::AlignLeft | Qt::AlignTop,
                                               text);
    EXPECT_LE(wrapped.width(), credit->width());
    EXPECT_LE(wrapped.height(), credit->height()) << "lines of " << metrics.lineSpacing() << " px";
    EXPECT_LE(wrapped.height(), 3 * metrics.lineSpacing() + 1);
}

TEST(menuDialogAbout, EnterClicksOk) {
    auto dialog = loadDialog(QStringLiteral("appabout"));
    ASSERT_NE(dialog, nullptr);
    QDialog* box = dialog.get();
    QPushButton* ok = button(box, DialogControl::Ok);
    ASSERT_NE(ok, nullptr);
    QObject::connect(ok, &QPushButton::clicked, box, [box] { box->done(1); });
    box->show();
    ASSERT_TRUE(box->isVisible());
    // Not only while OK has the focus: Enter anywhere in the box clicks it.
    ok->clearFocus();
    pressEnter(box);
    EXPECT_FALSE(box->isVisible());
    EXPECT_EQ(box->result(), 1);
}

TEST(menuDialogDevice, HasItsCaptionControlsAndPlaces) {
    auto dialog = loadDialog(QStringLiteral("WavSelect"));
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->windowTitle(), "Select WAV Device");
    expectFixedModalBox(dialog.get(), 216, 106);

    QPushButton* ok = button(dialog.get(), DialogControl::Ok);
    QPushButton* cancel = button(dialog.get(), DialogControl::Cancel);
    ASSERT_NE(ok, nullptr);
    ASSERT_NE(cancel, nullptr);
    EXPECT_EQ(ok->text(), "OK");
    EXPECT_EQ(cancel->text(), "Cancel");
    EXPECT_TRUE(ok->isDefault());
    EXPECT_FALSE(cancel->isDefault());
    expectGeometry(ok, {48, 85, 50, 14});
    expectGeometry(cancel, {115, 85, 50, 14});

    auto* list = findDialogControl<QListWidget>(dialog.get(), DialogControl::DeviceList);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->property(ControlIdProperty).toInt(), DialogControl::DeviceList);
    expectGeometry(list, {7, 14, 202, 65});
    EXPECT_NE(list->frameShape(), QFrame::NoFrame);
    EXPECT_NE(list->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    EXPECT_EQ(list->focusPolicy() & Qt::TabFocus, Qt::TabFocus);
    EXPECT_EQ(list->selectionMode(), QAbstractItemView::SingleSelection);
    EXPECT_TRUE(dialog->findChildren<QLabel*>().isEmpty());
}

TEST(menuDialogDevice, ListKeepsTheOrderDevicesAreAddedIn) {
    auto dialog = loadDialog(QStringLiteral("wavselect"));
    ASSERT_NE(dialog, nullptr);
    auto* list = findDialogControl<QListWidget>(dialog.get(), DialogControl::DeviceList);
    ASSERT_NE(list, nullptr);
    EXPECT_FALSE(list->isSortingEnabled());
    const QStringList devices{"Zeta Output", "Alpha Output", "Mid Output"};
    for (const QString& device : devices) list->addItem(device);
    ASSERT_EQ(list->count(), 3);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(list->item(i)->text(), devices[i]);
}

TEST(menuDialogDevice, EnterInTheListClicksOk) {
    auto dialog = loadDialog(QStringLiteral("WAVSELECT"));
    ASSERT_NE(dialog, nullptr);
    QDialog* box = dialog.get();
    auto* list = findDialogControl<QListWidget>(box, DialogControl::DeviceList);
    QPushButton* ok = button(box, DialogControl::Ok);
    QPushButton* cancel = button(box, DialogControl::Cancel);
    ASSERT_NE(list, nullptr);
    ASSERT_NE(ok, nullptr);
    ASSERT_NE(cancel, nullptr);
    int result = 0;
    QObject::connect(ok, &QPushButton::clicked, box, [&result] { result = 1; });
    QObject::connect(cancel, &QPushButton::clicked, box, [&result] { result = 2; });
    list->addItem("Device 0");
    list->addItem("Device 1");
    list->setCurrentRow(1);
    box->show();
    list->setFocus();
    pressEnter(list);
    EXPECT_EQ(result, 1);
}

// ----------------------------------------------------------- resources

struct NamedImage {
    const char* name;     // as the program asks for it
    const char* source;   // the committed file, from the repository root
    int width, height;
};

void PrintTo(const NamedImage& image, std::ostream* os) { *os << image.name; }

class NamedResourceTest : public testing::TestWithParam<NamedImage> {};

std::string lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// "TURNKNOB" -> "Turnknob"
std::string capitalised(std::string s) {
    s = lower(s);
    s[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(s[0])));
    return s;
}

TEST_P(NamedResourceTest, ResolvesInAnyCaseAndLoadsTheCommittedImage) {
    const NamedImage& image = GetParam();
    const QString sourcePath = QStringLiteral(TAMBORO_SOURCE_DIR "/") + image.source;
    if (!QFile::exists(sourcePath)) {
        GTEST_SKIP() << image.source << " has not been generated yet";
    }
    const QString path = resourcePath(QString::fromLatin1(image.name));
    ASSERT_TRUE(path.startsWith(":/")) << path.toStdString();
    EXPECT_EQ(resourcePath(QString::fromStdString(lower(image.name))), path);
    EXPECT_EQ(resourcePath(QString::fromStdString(capitalised(image.name))), path);

    const QImage embedded(path);
    ASSERT_FALSE(embedded.isNull()) << path.toStdString() << " is not embedded";
    EXPECT_EQ(embedded.size(), QSize(image.width, image.height));
    const QImage committed(sourcePath);
    ASSERT_FALSE(committed.isNull());
    EXPECT_EQ(embedded.convertToFormat(QImage::Format_ARGB32),
              committed.convertToFormat(QImage::Format_ARGB32));
}

INSTANTIATE_TEST_SUITE_P(
    menuResources, NamedResourceTest,
    testing::Values(
        NamedImage{"TOP", "resources/bitmaps/TOP.png", 640, 60},
        NamedImage{"CHANNEL", "resources/bitmaps/CHANNEL.png", 640, 40},
        NamedImage{"BUTTON1A", "resources/bitmaps/BUTTON1A.png", 36, 40},
        NamedImage{"BUTTON1B", "resources/bitmaps/BUTTON1B.png", 36, 40},
        NamedImage{"LBUTTON", "resources/bitmaps/LBUTTON.png", 26, 24},
        NamedImage{"RBUTTON", "resources/bitmaps/RBUTTON.png", 26, 24},
        NamedImage{"DIGZIFF1", "resources/bitmaps/DIGZIFF1.png", 90, 14},
        NamedImage{"PLAYA", "resources/bitmaps/PLAYA.png", 76, 37},
        NamedImage{"PLAYB", "resources/bitmaps/PLAYB.png", 76, 37},
        NamedImage{"STOPA", "resources/bitmaps/STOPA.png", 76, 37},
        NamedImage{"STOPB", "resources/bitmaps/STOPB.png", 76, 37},
        NamedImage{"SLIDER", "resources/bitmaps/SLIDER.png", 151, 27},
        NamedImage{"SLBT", "resources/bitmaps/SLBT.png", 20, 25},
        NamedImage{"TURNKNOB", "resources/bitmaps/TURNKNOB.png", 428, 18},
        NamedImage{"POINTERLOAD", "resources/pointers/POINTERLOAD.png", 32, 32},
        NamedImage{"POINTERLOAD-VISIBLE", "resources/pointers/POINTERLOAD-visible.png", 32, 32},
        NamedImage{"TAMBOROICON", "resources/icons/TAMBOROICON.png", 32, 32},
        NamedImage{"APPICON", "resources/icons/TAMBOROICON.png", 32, 32}),
    [](const testing::TestParamInfo<NamedImage>& info) {
        std::string name = info.param.name;
        std::erase(name, '-');
        return name;
    });

TEST(menuResources, UnknownNamesResolveToNothing) {
    for (const char* name : {"", "TO", "TOPS", "BUTTON1", "BUTTON1AB", "TAMBOROMENU",
                             "TOP.png", " TOP", "bitmaps/TOP"}) {
        EXPECT_TRUE(resourcePath(QString::fromLatin1(name)).isEmpty()) << '"' << name << '"';
    }
}

}  // namespace
