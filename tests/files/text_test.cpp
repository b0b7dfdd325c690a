// The text handling around sample names: strict UTF-8, Windows-1252
// conversion and case folding.

#include <gtest/gtest.h>

#include <cstring>

#include "files/case_folding.h"
#include "files/stored_names.h"
#include "files/utf8.h"

namespace tamboro {
namespace {

TEST(Utf8, AcceptsOnlyWellFormedSequences) {
    EXPECT_TRUE(isValidUtf8(""));
    EXPECT_TRUE(isValidUtf8("Caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\xA5\x81"));  // é, €, a drum
    EXPECT_FALSE(isValidUtf8("Caf\xE9.wav"));         // Windows-1252 é
    EXPECT_FALSE(isValidUtf8("\xC0\xAF"));            // overlong '/'
    EXPECT_FALSE(isValidUtf8("\xE0\x80\xAF"));        // overlong '/'
    EXPECT_FALSE(isValidUtf8("\xED\xA0\x80"));        // a surrogate
    EXPECT_FALSE(isValidUtf8("\xF4\x90\x80\x80"));    // past U+10FFFF
    EXPECT_FALSE(isValidUtf8("\xE2\x82"));            // cut off
    EXPECT_FALSE(isValidUtf8("\x80"));                // a lone continuation byte

    const Utf8Char euro = decodeUtf8("\xE2\x82\xAC!");
    EXPECT_TRUE(euro.valid);
    EXPECT_EQ(euro.codePoint, U'\u20AC');
    EXPECT_EQ(euro.bytes, 3u);
    const Utf8Char cut = decodeUtf8("\xE2\x82");
    EXPECT_FALSE(cut.valid);
    EXPECT_EQ(cut.bytes, 1u);
}

TEST(Utf8, Windows1252ConvertsEveryByte) {
    EXPECT_EQ(windows1252ToUtf8("Caf\xE9.wav"), "Caf\xC3\xA9.wav");
    EXPECT_EQ(windows1252ToUtf8("\x80\x8A\x9F\xA0\xFF"),
              "\xE2\x82\xAC\xC5\xA0\xC5\xB8\xC2\xA0\xC3\xBF");  // € Š Ÿ nbsp ÿ
    // The unassigned bytes become the C1 characters of the same value.
    EXPECT_EQ(windows1252ToUtf8("\x81\x8D\x8F\x90\x9D"),
              "\xC2\x81\xC2\x8D\xC2\x8F\xC2\x90\xC2\x9D");
    // Every byte gives exactly one valid character.
    for (int byte = 1; byte < 256; ++byte) {
        const std::string one(1, static_cast<char>(byte));
        const std::string converted = windows1252ToUtf8(one);
        ASSERT_TRUE(isValidUtf8(converted)) << byte;
        EXPECT_EQ(decodeUtf8(converted).bytes, converted.size()) << byte;
        if (byte < 0x80 || byte >= 0xA0) {
            EXPECT_EQ(decodeUtf8(converted).codePoint, static_cast<char32_t>(byte)) << byte;
        }
    }
}

// A stored name ends at its zero, or at the end of its 128 bytes when a
// song file gave it none; it is shown as it stands when it is UTF-8.
TEST(StoredNames, EndAtTheirZeroAndShowAsUtf8OrWindows1252) {
    SongState song;
    std::memcpy(song.sampleName[1].data(), "kick\0junk", 10);
    song.sampleName[2].fill('A');
    EXPECT_EQ(storedSampleName(song, 0), "BD_02.WAV");
    EXPECT_EQ(storedSampleName(song, 1), "kick");
    EXPECT_EQ(storedSampleName(song, 2), std::string(SampleNameBytes, 'A'));
    EXPECT_EQ(storedSampleName(song, 7), "");

    EXPECT_EQ(shownSampleName("Caf\xC3\xA9.wav"), "Caf\xC3\xA9.wav");
    EXPECT_EQ(shownSampleName("Caf\xE9 \x80.wav"), "Caf\xC3\xA9 \xE2\x82\xAC.wav");
    // One invalid byte makes the whole name Windows-1252.
    EXPECT_EQ(shownSampleName("\xC3\xA9\xE9"), "\xC3\x83\xC2\xA9\xC3\xA9");
}

TEST(CaseFolding, FoldsLatinGreekAndCyrillicLetters) {
    EXPECT_EQ(foldedName("KICK.WAV"), foldedName("kick.wav"));
    EXPECT_EQ(foldedName("CAF\xC3\x89"), foldedName("caf\xC3\xA9"));                  // É é
    EXPECT_EQ(foldedName("\xC5\x81\xC3\x93""D\xC5\xB9"), foldedName("\xC5\x82\xC3\xB3""d\xC5\xBA"));  // ŁÓDŹ łódź
    EXPECT_EQ(foldedName("\xCE\xA3\xCE\x95\xCE\xA3"), foldedName("\xCF\x83\xCE\xB5\xCF\x82"));  // ΣΕΣ σες
    EXPECT_EQ(foldedName("\xD0\x91\xD0\x90\xD0\xA0\xD0\x90\xD0\x91\xD0\x90\xD0\x9D"),
              foldedName("\xD0\xB1\xD0\xB0\xD1\x80\xD0\xB0\xD0\xB1\xD0\xB0\xD0\xBD"));   // БАРАБАН барабан
    EXPECT_EQ(foldedName("\xD0\x81"), foldedName("\xD1\x91"));                          // Ё ё
    EXPECT_EQ(foldCase(U'\u0178'), U'\u00FF');   // Ÿ
    EXPECT_EQ(foldCase(U'\u017F'), U's');        // long s
    EXPECT_EQ(foldCase(U'\u00B5'), U'\u03BC');   // micro sign
    // Not letters of a pair: unchanged.
    EXPECT_EQ(foldCase(U'\u00D7'), U'\u00D7');   // ×
    EXPECT_EQ(foldCase(U'\u00DF'), U'\u00DF');   // ß has no one-letter folding
    EXPECT_EQ(foldCase(U'\u0130'), U'\u0130');   // İ neither
    EXPECT_NE(foldedName("a"), foldedName("b"));
    // A byte outside UTF-8 equals only itself, not the letter it would be in
    // another encoding.
    EXPECT_NE(foldedName("caf\xE9"), foldedName("caf\xC3\xA9"));
    EXPECT_NE(foldedName("CAF\xC9"), foldedName("caf\xE9"));
    EXPECT_EQ(foldedName("caf\xE9"), foldedName("CAF\xE9"));
}

}  // namespace
}  // namespace tamboro
