#pragma once
// Helpers of the panel tests: the committed bitmaps read straight from the
// source tree, a reader of the dot-matrix numbers, the panel's resources and
// a fake host that records what the panel asked of it.

#include <QImage>
#include <QRect>
#include <QRegion>
#include <QString>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/song_ops.h"
#include "engine/song_state.h"
#include "panel/panel_geometry.h"
#include "panel/panel_host.h"
#include "panel/panel_resources.h"

namespace tamboro::test {

inline QImage sourceBitmap(const char* name) {
    const QString path = QStringLiteral(TAMBORO_SOURCE_DIR "/resources/bitmaps/") +
                         QString::fromLatin1(name) + QStringLiteral(".png");
    return QImage(path).convertToFormat(QImage::Format_RGB32);
}

// True when the panel shows the rectangle `from` of the bitmap at `at`.
inline bool shows(const QImage& panel, QPoint at, const char* bitmap, QRect from) {
    const QImage part = sourceBitmap(bitmap).copy(from);
    return !part.isNull() && panel.copy(QRect(at, from.size())) == part;
}
inline bool shows(const QImage& panel, QPoint at, const char* bitmap) {
    const QImage whole = sourceBitmap(bitmap);
    return shows(panel, at, bitmap, whole.rect());
}

// The digits shown in `count` cells from (x, y); '?' for a cell that is no digit.
inline std::string readDigits(const QImage& panel, int x, int y, int count) {
    std::string text;
    for (int i = 0; i < count; ++i) {
        char found = '?';
        for (int d = 0; d < 10; ++d)
            if (shows(panel, {x + DigitPitch * i, y}, "DIGZIFF1", QRect(DigitWidth * d, 0, DigitWidth, DigitHeight)))
                found = static_cast<char>('0' + d);
        text += found;
    }
    return text;
}

inline std::string patternShown(const QImage& p) { return readDigits(p, 108, 10, 2); }
inline std::string totalShown(const QImage& p) { return readDigits(p, 108, 37, 2); }
inline std::string tempoShown(const QImage& p) { return readDigits(p, 406, 8, 3); }
inline std::string shuffleShown(const QImage& p) { return readDigits(p, 406, 36, 3); }

// The TURNKNOB frame the knob of `channel` shows, or -1.
inline int knobFrameShown(const QImage& panel, int channel) {
    for (int f = 0; f < 25; ++f)
        if (shows(panel, {440, controlTop(channel)}, "TURNKNOB", QRect(17 * f, 0, 17, 17)))
            return f;
    return -1;
}

// Left edge of the thumb on the slider at track y, or -1.
inline int thumbShownAt(const QImage& panel, int trackY) {
    for (int x = 252; x <= 381; ++x)
        if (shows(panel, {x, trackY + 1}, "SLBT"))
            return x;
    return -1;
}

inline QRgb litColour(int k) {
    return k <= 25 ? qRgb(50 + 4 * k, 150, 0) : qRgb(150, (250 - 4 * k) & 0xFF, 0);
}

// How many lit columns a level bar shows, after checking that every column
// is either lit in its colour from top to bottom or keeps the box.
inline int litColumnsShown(const QImage& panel, int left, int channel) {
    const int top = controlTop(channel);
    int lit = 0;
    for (int i = 0; i < BarWidth; ++i) {
        const int x = left + i;
        const bool isLit = i % 2 == 0 && panel.pixel(x, top + 5) == litColour(i / 2);
        for (int y = top; y < top + BarHeight; ++y) {
            const bool edge = y == top || y == top + BarHeight - 1 || i == 0 || i == BarWidth - 1;
            const QRgb expected = isLit ? litColour(i / 2) : edge ? qRgb(100, 120, 120) : qRgb(0, 0, 0);
            if (panel.pixel(x, y) != expected)
                return -1;
        }
        lit += isLit;
    }
    return lit;
}

// Pixels of the sample-name colour in the name field of `channel`.
inline int namePixels(const QImage& panel, int channel) {
    int count = 0;
    for (int y = controlTop(channel); y < controlTop(channel) + 16; ++y)
        for (int x = NameX; x < PanelWidth; ++x)
            count += panel.pixel(x, y) == qRgb(150, 150, 50);
    return count;
}

inline QRegion rects(std::initializer_list<QRect> list) {
    QRegion region;
    for (const QRect& r : list)
        region += r;
    return region;
}

// The resources, loaded once per test program.
inline const PanelResources& resources() {
    static const PanelResources loaded = loadPanelResources();
    return loaded;
}

// The song as the program starts: New Song values, every pitch 0.
inline std::unique_ptr<SongState> startUpSong() {
    auto song = std::make_unique<SongState>();
    newSong(*song);
    return song;
}

class FakePanelHost : public PanelHost {
public:
    explicit FakePanelHost(SongState& song) : song_(song) {}

    bool outputOpens = true;         // false: the output fails to open
    int starts = 0;
    int stops = 0;
    int midiSyncPlayPresses = 0;
    std::vector<int> sampleChoices;

    void startPlayback() override {
        ++starts;
        if (outputOpens)
            song_.playing = 1;
    }
    void stopPlayback() override {
        ++stops;
        song_.playing = 0;
    }
    void chooseSample(int channel) override { sampleChoices.push_back(channel); }
    void playPressedInMidiSync() override { ++midiSyncPlayPresses; }

private:
    SongState& song_;
};

}  // namespace tamboro::test
