#pragma once
// The drawing resources of the front panel, made once at start-up: the
// fourteen bitmaps, kept as 32-bit RGB images so that a copy is a plain
// row-by-row move of pixels, and the font of the sample names. Needs a
// QGuiApplication (for the font). Main thread only.

#include <QFont>
#include <QImage>

#include <array>
#include <cstddef>

namespace tamboro {

enum class PanelBitmap {
    Button1A, Button1B, LButton, RButton, Channel, Top, Digits,
    PlayA, PlayB, StopA, StopB, Slider, SliderThumb, TurnKnob,
};
inline constexpr int PanelBitmapCount = 14;

// The face of the sample names: a bold monospaced TrueType face from the
// fonts-dejavu-core package, loaded from its file so that the panel looks
// the same on every machine.
inline constexpr const char* PanelFontFile = "/usr/share/fonts/truetype/dejavu/DejaVuSansMono-Bold.ttf";

struct PanelResources {
    // A null image where a bitmap could not be loaded: copies from it draw
    // nothing and the painting goes on.
    std::array<QImage, PanelBitmapCount> bitmaps;
    QFont font;               // the application's default font when fontLoaded is false
    bool fontLoaded = false;

    const QImage& bitmap(PanelBitmap which) const { return bitmaps[static_cast<int>(which)]; }

    // True when a step-button bitmap is missing (start-up warns only for those).
    bool stepButtonsMissing() const;

    // Bytes held by the bitmaps' pixels.
    std::size_t bitmapBytes() const;
};

// Loads every bitmap from the program's resources, in start-up order, and
// makes the panel font from `fontFile`.
PanelResources loadPanelResources(const char* fontFile = PanelFontFile);

// The sample-name font made from a family: a cell 14 pixels high (ascent
// plus descent), every character 7 pixels wide, as bold as the face has,
// drawn without smoothing so that every inked pixel has the text colour.
QFont makePanelFont(const QString& family);

}  // namespace tamboro
