#include "panel/panel_resources.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QHash>

#include "resources/resource_names.h"

namespace tamboro {

namespace {

// The order in which start-up loads them.
constexpr std::array<const char*, PanelBitmapCount> BitmapNames{
    "BUTTON1A", "BUTTON1B", "LBUTTON", "RBUTTON", "CHANNEL", "TOP", "DIGZIFF1",
    "PLAYA", "PLAYB", "STOPA", "STOPB", "SLIDER", "SLBT", "TURNKNOB",
};

constexpr int FontCellHeight = 14;
constexpr int FontCharWidth = 7;

QImage loadBitmap(const char* name) {
    const QString path = resourcePath(QString::fromLatin1(name));
    if (path.isEmpty())
        return {};
    const QImage image(path);
    if (image.isNull())
        return {};
    return image.convertToFormat(QImage::Format_RGB32);
}

// The families in a font file, adding the file to the application's fonts
// once however often the resources are loaded.
QStringList fontFamiliesOf(const QString& file) {
    static QHash<QString, int> added;
    auto known = added.find(file);
    if (known == added.end())
        known = added.insert(file, QFontDatabase::addApplicationFont(file));
    return known.value() < 0 ? QStringList() : QFontDatabase::applicationFontFamilies(known.value());
}

}  // namespace

bool PanelResources::stepButtonsMissing() const {
    return bitmap(PanelBitmap::Button1A).isNull() || bitmap(PanelBitmap::Button1B).isNull();
}

std::size_t PanelResources::bitmapBytes() const {
    std::size_t bytes = 0;
    for (const QImage& image : bitmaps)
        bytes += static_cast<std::size_t>(image.sizeInBytes());
    return bytes;
}

QFont makePanelFont(const QString& family) {
    QFont font(family);
    font.setFixedPitch(true);
    font.setStyleHint(QFont::TypeWriter);
    font.setWeight(QFont::ExtraBold);
    font.setStyleStrategy(QFont::StyleStrategy(QFont::NoAntialias | QFont::NoFontMerging));
    font.setHintingPreference(QFont::PreferFullHinting);
    // The largest size whose character cell fits 14 rows.
    int pixels = FontCellHeight;
    for (; pixels > 6; --pixels) {
        font.setPixelSize(pixels);
        if (QFontMetrics(font).height() <= FontCellHeight)
            break;
    }
    font.setPixelSize(pixels);
    const int advance = QFontMetrics(font).horizontalAdvance(QLatin1Char('M'));
    if (advance != FontCharWidth)
        font.setLetterSpacing(QFont::AbsoluteSpacing, FontCharWidth - advance);
    return font;
}

PanelResources loadPanelResources(const char* fontFile) {
    PanelResources resources;
    for (int i = 0; i < PanelBitmapCount; ++i)
        resources.bitmaps[i] = loadBitmap(BitmapNames[i]);
    const QStringList families = fontFamiliesOf(QString::fromLocal8Bit(fontFile));
    if (families.isEmpty()) {
        resources.font = QGuiApplication::font();
    } else {
        resources.font = makePanelFont(families.front());
        resources.fontLoaded = true;
    }
    return resources;
}

}  // namespace tamboro
