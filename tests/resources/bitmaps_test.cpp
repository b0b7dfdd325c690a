// The committed panel bitmaps, LOAD pointer and icon: sizes, stored formats,
// the digit cells, the knob frames and where the printed labels sit.

#include <gtest/gtest.h>

#include <QColor>
#include <QImage>
#include <QRect>
#include <QSet>
#include <QString>

#include <array>
#include <cmath>
#include <numbers>
#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

namespace {

const std::string kResources = std::string(TAMBORO_SOURCE_DIR) + "/resources/";

std::string bitmapPath(const std::string& name) { return kResources + "bitmaps/" + name + ".png"; }

QImage load(const std::string& path) { return QImage(QString::fromStdString(path)); }

struct Ihdr {
    uint32_t width = 0;
    uint32_t height = 0;
    int bitDepth = -1;
    int colourType = -1;
};

// Reads the PNG signature and header chunk straight from the file, since
// QImage does not tell how the picture was stored.
Ihdr readIhdr(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::array<unsigned char, 26> b{};
    in.read(reinterpret_cast<char*>(b.data()), b.size());
    static const unsigned char signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    Ihdr h;
    if (!in || !std::equal(signature, signature + 8, b.begin()) ||
        std::string(b.begin() + 12, b.begin() + 16) != "IHDR")
        return h;
    auto be32 = [&](int at) {
        return uint32_t(b[at]) << 24 | uint32_t(b[at + 1]) << 16 | uint32_t(b[at + 2]) << 8 | b[at + 3];
    };
    h.width = be32(16);
    h.height = be32(20);
    h.bitDepth = b[24];
    h.colourType = b[25];
    return h;
}

bool isRgb(QRgb c, int r, int g, int b) { return qRed(c) == r && qGreen(c) == g && qBlue(c) == b; }

struct BitmapSpec {
    const char* name;
    int width;
    int height;
    int depth;
};

const BitmapSpec kBitmaps[] = {
    {"TOP", 640, 60, 8},      {"CHANNEL", 640, 40, 8}, {"BUTTON1A", 36, 40, 8}, {"BUTTON1B", 36, 40, 8},
    {"LBUTTON", 26, 24, 8},   {"RBUTTON", 26, 24, 8},  {"DIGZIFF1", 90, 14, 8}, {"PLAYA", 76, 37, 8},
    {"PLAYB", 76, 37, 8},     {"STOPA", 76, 37, 8},    {"STOPB", 76, 37, 8},    {"SLIDER", 151, 27, 8},
    {"SLBT", 20, 25, 8},      {"TURNKNOB", 428, 18, 4},
};

TEST(bitmaps, EachLoadsWithItsSizeAndIsStoredAsAPaletteImageOfItsDepth) {
    for (const auto& expected : kBitmaps) {
        SCOPED_TRACE(expected.name);
        const QImage img = load(bitmapPath(expected.name));
        ASSERT_FALSE(img.isNull());
        EXPECT_EQ(img.width(), expected.width);
        EXPECT_EQ(img.height(), expected.height);
        const Ihdr h = readIhdr(bitmapPath(expected.name));
        EXPECT_EQ(h.colourType, 3);  // palette
        EXPECT_EQ(h.bitDepth, expected.depth);
        EXPECT_EQ(h.width, uint32_t(expected.width));
        EXPECT_EQ(h.height, uint32_t(expected.height));
    }
}

// ---------------------------------------------------------------- digits

// Lit dots of each digit, five rows of three, top row first.
const char* const kDigitDots[10][5] = {
    {"XXX", "XoX", "XoX", "XoX", "XXX"}, {"oXo", "oXo", "oXo", "oXo", "oXo"},
    {"XXX", "ooX", "XXX", "Xoo", "XXX"}, {"XXX", "ooX", "XXX", "ooX", "XXX"},
    {"XoX", "XoX", "XXX", "ooX", "ooX"}, {"XXX", "Xoo", "XXX", "ooX", "XXX"},
    {"XXX", "Xoo", "XXX", "XoX", "XXX"}, {"XXX", "ooX", "ooX", "ooX", "ooX"},
    {"XXX", "XoX", "XXX", "XoX", "XXX"}, {"XXX", "XoX", "XXX", "ooX", "ooX"},
};

TEST(bitmaps, DigitCellsShowTheDotTablePixelForPixel) {
    const QImage img = load(bitmapPath("DIGZIFF1"));
    ASSERT_EQ(img.size(), QSize(90, 14));
    for (int digit = 0; digit < 10; ++digit) {
        for (int y = 0; y < 14; ++y) {
            for (int dx = 0; dx < 9; ++dx) {
                const int x = 9 * digit + dx;
                const bool onDot = dx % 3 < 2 && dx < 8 && y % 3 < 2;
                const QRgb c = img.pixel(x, y);
                if (!onDot) {
                    EXPECT_TRUE(isRgb(c, 4, 1, 4)) << "gap at " << x << "," << y;
                } else if (kDigitDots[digit][y / 3][dx / 3] == 'X') {
                    EXPECT_TRUE(isRgb(c, 254, 6, 2)) << "lit dot at " << x << "," << y;
                } else {
                    EXPECT_TRUE(isRgb(c, 103, 0, 0)) << "unlit dot at " << x << "," << y;
                }
            }
        }
    }
}

// ---------------------------------------------------------------- knob

constexpr int kKnobFrames = 25;
constexpr int kKnobPitch = 17;

// Direction of the pointer in degrees clockwise from straight up, from the
// centroid of the pointer-white pixels against the centroid of the disc.
double knobPointerAngle(const QImage& img, int frame) {
    double px = 0, py = 0, dx = 0, dy = 0;
    int pointer = 0, disc = 0;
    for (int y = 0; y < 17; ++y) {
        for (int x = 0; x < kKnobPitch; ++x) {
            const int v = qGray(img.pixel(kKnobPitch * frame + x, y));
            if (v != 0) {
                dx += x;
                dy += y;
                ++disc;
            }
            if (v == 235) {
                px += x;
                py += y;
                ++pointer;
            }
        }
    }
    if (pointer == 0 || disc == 0) return NAN;
    const double ox = px / pointer - dx / disc;
    const double oy = py / pointer - dy / disc;
    return std::atan2(ox, -oy) * 180.0 / std::numbers::pi;
}

TEST(bitmaps, KnobFramesStayInsideTheirColumnsAndTheUnusedEdgesAreBlack) {
    const QImage img = load(bitmapPath("TURNKNOB"));
    ASSERT_EQ(img.size(), QSize(428, 18));
    for (int y = 0; y < 18; ++y)
        for (int x = 425; x < 428; ++x) EXPECT_EQ(qGray(img.pixel(x, y)), 0) << x << "," << y;
    for (int x = 0; x < 428; ++x) EXPECT_EQ(qGray(img.pixel(x, 17)), 0) << "bottom row, x " << x;

    for (int f = 0; f < kKnobFrames; ++f) {
        SCOPED_TRACE(f);
        // The knob must not touch the frame's side columns: the panel cuts the
        // strip every 17 pixels and any spill would show in the neighbour.
        for (int y = 0; y < 18; ++y) {
            EXPECT_EQ(qGray(img.pixel(kKnobPitch * f, y)), 0);
            EXPECT_EQ(qGray(img.pixel(kKnobPitch * f + 16, y)), 0);
        }
        // Every frame draws the same disc at the same place.
        QRect box;
        for (int y = 0; y < 17; ++y)
            for (int x = 0; x < kKnobPitch; ++x)
                if (qGray(img.pixel(kKnobPitch * f + x, y)) != 0) box |= QRect(x, y, 1, 1);
        EXPECT_EQ(box, QRect(1, 1, 15, 15));
    }
}

TEST(bitmaps, KnobPointerTurnsClockwiseFromEightOClockToFourOClock) {
    const QImage img = load(bitmapPath("TURNKNOB"));
    ASSERT_EQ(img.size(), QSize(428, 18));
    std::vector<double> angles;
    for (int f = 0; f < kKnobFrames; ++f) angles.push_back(knobPointerAngle(img, f));
    for (int f = 1; f < kKnobFrames; ++f) EXPECT_GT(angles[f], angles[f - 1]) << "frame " << f;
    EXPECT_NEAR(angles[0], -120, 15);
    EXPECT_NEAR(angles[6], -60, 15);
    EXPECT_NEAR(angles[12], 0, 3);
    EXPECT_NEAR(angles[18], 60, 15);
    EXPECT_NEAR(angles[24], 120, 15);
}

TEST(bitmaps, KnobUsesTheGreysOfItsFaceRimsAndPointer) {
    const QImage img = load(bitmapPath("TURNKNOB"));
    QSet<int> greys;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            const QRgb c = img.pixel(x, y);
            ASSERT_TRUE(qRed(c) == qGreen(c) && qGreen(c) == qBlue(c)) << x << "," << y;
            greys.insert(qRed(c));
        }
    for (int v : {0, 83, 151, 187, 235}) EXPECT_TRUE(greys.contains(v)) << v;
}

// ---------------------------------------------------------------- printed labels

struct Label {
    const char* text;
    QRect box;  // inclusive pixel ranges of the label
};

bool isLabelBlue(QRgb c) { return isRgb(c, 0, 99, 135) || isRgb(c, 0, 71, 99); }

void expectLabelsExactlyIn(const QImage& img, const std::vector<Label>& labels) {
    std::vector<QRect> found(labels.size());
    for (int y = 0; y < img.height(); ++y) {
        for (int x = 0; x < img.width(); ++x) {
            if (!isLabelBlue(img.pixel(x, y))) continue;
            bool inside = false;
            for (size_t i = 0; i < labels.size(); ++i) {
                if (labels[i].box.contains(x, y)) {
                    found[i] |= QRect(x, y, 1, 1);
                    inside = true;
                }
            }
            EXPECT_TRUE(inside) << "label blue outside the labels at " << x << "," << y;
        }
    }
    // Each label fills its box to the edges, in both blues.
    for (size_t i = 0; i < labels.size(); ++i) {
        EXPECT_EQ(found[i], labels[i].box) << labels[i].text;
        int face = 0, shadow = 0;
        const QRect& b = labels[i].box;
        for (int y = b.top(); y <= b.bottom(); ++y)
            for (int x = b.left(); x <= b.right(); ++x) {
                face += isRgb(img.pixel(x, y), 0, 99, 135);
                shadow += isRgb(img.pixel(x, y), 0, 71, 99);
            }
        EXPECT_GT(face, 0) << labels[i].text;
        EXPECT_GT(shadow, 0) << labels[i].text;
    }
}

QRect span(int x0, int x1, int y0, int y1) { return QRect(QPoint(x0, y0), QPoint(x1, y1)); }

TEST(bitmaps, HeaderHasItsFrameFieldAndLabels) {
    const QImage img = load(bitmapPath("TOP"));
    ASSERT_EQ(img.size(), QSize(640, 60));
    for (int x = 0; x < 640; ++x) {
        EXPECT_TRUE(isRgb(img.pixel(x, 0), 167, 167, 167)) << "top edge " << x;
        EXPECT_TRUE(isRgb(img.pixel(x, 59), 67, 67, 67)) << "bottom edge " << x;
    }
    for (int y = 0; y < 59; ++y) {
        EXPECT_TRUE(isRgb(img.pixel(0, y), 167, 167, 167)) << "left edge " << y;
        EXPECT_TRUE(isRgb(img.pixel(639, y), 167, 167, 167)) << "right edge " << y;
    }
    int field = 0;
    for (int y = 1; y < 59; ++y)
        for (int x = 1; x < 639; ++x) field += isRgb(img.pixel(x, y), 15, 15, 15);
    EXPECT_GT(field, 638 * 58 / 2) << "the near-black field is most of the header";

    expectLabelsExactlyIn(img, {{"PATTERN", span(12, 66, 13, 21)},
                                {"#TOTAL", span(11, 54, 39, 47)},
                                {"TEMPO", span(187, 226, 13, 21)},
                                {"SHUFFLE", span(187, 242, 39, 47)}});
}

TEST(bitmaps, ChannelStripIsHatchedAndHasItsLabels) {
    const QImage img = load(bitmapPath("CHANNEL"));
    ASSERT_EQ(img.size(), QSize(640, 40));
    // The hatch shows in the gaps between the step buttons: there both of its
    // colours alternate along every row.
    for (int y = 2; y < 22; ++y) {
        int hatch = 0, black = 0;
        for (int s = 0; s < 16; ++s)
            for (int x = 38 * s + 36; x < 38 * s + 38; ++x) {
                hatch += isRgb(img.pixel(x, y), 47, 59, 51);
                black += isRgb(img.pixel(x, y), 0, 0, 0);
            }
        EXPECT_GT(hatch, 8) << "row " << y;
        EXPECT_GT(black, 8) << "row " << y;
    }
    // Bevel: lighter at the top and left than at the bottom and right.
    EXPECT_GT(qGray(img.pixel(300, 0)), qGray(img.pixel(300, 39)));
    EXPECT_GT(qGray(img.pixel(0, 20)), qGray(img.pixel(639, 20)));

    expectLabelsExactlyIn(img, {{"VOL", span(4, 27, 28, 36)},
                                {"DST", span(138, 161, 28, 36)},
                                {"OVR", span(274, 297, 28, 36)},
                                {"PCH", span(409, 432, 28, 36)}});
}

// ---------------------------------------------------------------- keys

// Left and right column of the light triangle on an arrow key.
std::pair<int, int> triangleColumnCounts(const QImage& img) {
    int leftmost = -1, rightmost = -1;
    for (int x = 2; x < 24; ++x)
        for (int y = 2; y < 22; ++y)
            if (qGray(img.pixel(x, y)) > 150) {
                if (leftmost < 0) leftmost = x;
                rightmost = x;
            }
    auto count = [&](int x) {
        int n = 0;
        for (int y = 2; y < 22; ++y) n += qGray(img.pixel(x, y)) > 100;
        return n;
    };
    return {count(leftmost), count(rightmost)};
}

TEST(bitmaps, ArrowKeysAreGreyKeysWithTrianglesPointingTheirWay) {
    for (const char* name : {"LBUTTON", "RBUTTON"}) {
        SCOPED_TRACE(name);
        const QImage img = load(bitmapPath(name));
        ASSERT_EQ(img.size(), QSize(26, 24));
        EXPECT_TRUE(isRgb(img.pixel(3, 3), 67, 67, 67));
        EXPECT_TRUE(isRgb(img.pixel(12, 0), 119, 119, 119));
        EXPECT_TRUE(isRgb(img.pixel(0, 12), 119, 119, 119));
        EXPECT_TRUE(isRgb(img.pixel(12, 23), 31, 31, 31));
        EXPECT_TRUE(isRgb(img.pixel(25, 12), 31, 31, 31));
    }
    // The tip is the narrow end.
    const auto [lTip, lBase] = triangleColumnCounts(load(bitmapPath("LBUTTON")));
    EXPECT_LT(lTip, lBase);
    const auto [rBase, rTip] = triangleColumnCounts(load(bitmapPath("RBUTTON")));
    EXPECT_LT(rTip, rBase);
}

TEST(bitmaps, LitVariantsAreBrighterInsideAnUnchangedOutline) {
    const std::pair<const char*, const char*> pairs[] = {
        {"BUTTON1A", "BUTTON1B"}, {"PLAYA", "PLAYB"}, {"STOPA", "STOPB"}};
    for (const auto& [dark, lit] : pairs) {
        SCOPED_TRACE(lit);
        const QImage a = load(bitmapPath(dark));
        const QImage b = load(bitmapPath(lit));
        ASSERT_EQ(a.size(), b.size());
        QRect changed;
        long brighter = 0;
        for (int y = 0; y < a.height(); ++y)
            for (int x = 0; x < a.width(); ++x)
                if (a.pixel(x, y) != b.pixel(x, y)) {
                    changed |= QRect(x, y, 1, 1);
                    brighter += qGray(b.pixel(x, y)) - qGray(a.pixel(x, y));
                }
        EXPECT_FALSE(changed.isEmpty());
        EXPECT_GT(brighter, 0);
        // The key's or plate's outline stays as it is.
        EXPECT_GE(changed.left(), 1);
        EXPECT_GE(changed.top(), 1);
        EXPECT_LE(changed.right(), a.width() - 2);
    }
    // Step keys: only their top 22 rows are ever shown, so the lamp sits there.
    const QImage off = load(bitmapPath("BUTTON1A"));
    const QImage on = load(bitmapPath("BUTTON1B"));
    for (int y = 22; y < 40; ++y)
        for (int x = 0; x < 36; ++x) EXPECT_EQ(off.pixel(x, y), on.pixel(x, y)) << x << "," << y;
}

// ---------------------------------------------------------------- pointer

TEST(bitmaps, LoadPointerHasItsPaletteHotSpotArrowAndInvertingLetters) {
    const std::string path = kResources + "pointers/POINTERLOAD.png";
    const Ihdr h = readIhdr(path);
    EXPECT_EQ(h.colourType, 3);
    QImage img = load(path);
    ASSERT_EQ(img.size(), QSize(32, 32));
    EXPECT_EQ(img.text("hotspot"), "1,1");
    ASSERT_EQ(img.format(), QImage::Format_Indexed8);
    const QVector<QRgb> table = img.colorTable();
    ASSERT_EQ(table.size(), 4);
    EXPECT_EQ(qAlpha(table[0]), 0);
    EXPECT_EQ(table[1], qRgba(0, 0, 0, 255));
    EXPECT_EQ(table[2], qRgba(255, 255, 255, 255));
    EXPECT_EQ(qAlpha(table[3]), 255);

    // The arrow's black tip is the hot spot; the arrow is 18 rows high.
    EXPECT_EQ(img.pixelIndex(1, 1), 1);
    EXPECT_EQ(img.pixelIndex(0, 0), 0);
    QRect arrow, letters;
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            const int i = img.pixelIndex(x, y);
            if (i == 1 || i == 2) arrow |= QRect(x, y, 1, 1);
            if (i == 3) letters |= QRect(x, y, 1, 1);
        }
    EXPECT_EQ(arrow.top(), 1);
    EXPECT_EQ(arrow.height(), 18);
    EXPECT_EQ(arrow.left(), 1);
    EXPECT_EQ(letters, span(12, 30, 8, 13));
    EXPECT_LT(arrow.right(), letters.left());
    // Four letters: four runs of inked columns.
    int runs = 0;
    bool previous = false;
    for (int x = 12; x <= 30; ++x) {
        bool inked = false;
        for (int y = 8; y <= 13; ++y) inked |= img.pixelIndex(x, y) == 3;
        runs += inked && !previous;
        previous = inked;
    }
    EXPECT_EQ(runs, 4);
}

TEST(bitmaps, LoadPointerFallbackDrawsTheLettersBlackOnAWhiteEdge) {
    const QImage marks = load(kResources + "pointers/POINTERLOAD.png");
    const QImage shown = load(kResources + "pointers/POINTERLOAD-visible.png")
                             .convertToFormat(QImage::Format_ARGB32);
    ASSERT_EQ(shown.size(), QSize(32, 32));
    ASSERT_EQ(marks.size(), QSize(32, 32));
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            const int i = marks.pixelIndex(x, y);
            const QRgb c = shown.pixel(x, y);
            if (i == 3 || i == 1) {
                EXPECT_EQ(c, qRgba(0, 0, 0, 255)) << x << "," << y;
            } else if (i == 2) {
                EXPECT_EQ(c, qRgba(255, 255, 255, 255)) << x << "," << y;
            } else if (qAlpha(c) != 0) {
                EXPECT_EQ(c, qRgba(255, 255, 255, 255)) << "edge at " << x << "," << y;
            }
        }
    // Left of the L's stem, inside its edge, the fallback is white.
    EXPECT_EQ(shown.pixel(11, 10), qRgba(255, 255, 255, 255));
}

// ---------------------------------------------------------------- icon

TEST(bitmaps, IconIsAnOpaqueSixteenColourPictureOnWhite) {
    const std::string path = kResources + "icons/TAMBOROICON.png";
    const Ihdr h = readIhdr(path);
    EXPECT_EQ(h.colourType, 3);
    EXPECT_EQ(h.bitDepth, 4);
    const QImage img = load(path);
    ASSERT_EQ(img.size(), QSize(32, 32));
    QSet<QRgb> colours;
    bool darkRed = false;
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            const QRgb c = img.pixel(x, y);
            EXPECT_EQ(qAlpha(c), 255) << x << "," << y;
            colours.insert(c);
            darkRed |= qRed(c) >= 80 && qRed(c) < 200 && qGreen(c) < 40 && qBlue(c) < 40;
        }
    EXPECT_LE(colours.size(), 16);
    EXPECT_TRUE(darkRed);
    EXPECT_EQ(img.pixel(0, 0), qRgb(255, 255, 255));
    EXPECT_EQ(img.pixel(31, 0), qRgb(255, 255, 255));
}

TEST(bitmaps, IconLauncherSizesAreWholePixelEnlargements) {
    const QImage small = load(kResources + "icons/TAMBOROICON.png");
    for (int scale : {2, 8}) {
        SCOPED_TRACE(scale);
        const QImage big = load(kResources + "icons/tamboro-" + std::to_string(32 * scale) + ".png");
        ASSERT_EQ(big.size(), QSize(32 * scale, 32 * scale));
        for (int y = 0; y < big.height(); ++y)
            for (int x = 0; x < big.width(); ++x)
                ASSERT_EQ(big.pixel(x, y), small.pixel(x / scale, y / scale)) << x << "," << y;
    }
}

}  // namespace
