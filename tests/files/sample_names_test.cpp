// Finding a song's samples by name: exact, in any case, in sub-folders, and
// names stored by older systems in Windows-1252.

#include <gtest/gtest.h>

#include <algorithm>

#include "files/sample_names.h"
#include "tests/files/wave_bytes.h"
#include "tests/support/unusual_files.h"

namespace tamboro {
namespace {

using test::ScratchDir;

TEST(SampleNames, ResolvesExactCaseInsensitiveAndSubFolderNames) {
    ScratchDir dir;
    std::filesystem::create_directories(dir / "Kit" / "Snares");
    dir.put("BD_02.WAV", {1});
    dir.put("Kit/Snares/Tight Snare.wav", {1});
    const auto folder = dir / "";

    EXPECT_EQ(resolveSampleName(folder, "BD_02.WAV"), folder / "BD_02.WAV");
    EXPECT_EQ(resolveSampleName(folder, "bd_02.wav"), folder / "BD_02.WAV");
    EXPECT_EQ(resolveSampleName(folder, "kit\\SNARES\\tight snare.WAV"),
              folder / "Kit" / "Snares" / "Tight Snare.wav");
    EXPECT_EQ(resolveSampleName(folder, "Kit/Snares/Tight Snare.wav"),
              folder / "Kit" / "Snares" / "Tight Snare.wav");

    EXPECT_FALSE(resolveSampleName(folder, "missing.wav"));
    EXPECT_FALSE(resolveSampleName(folder, "Kit"));  // a folder is no sample
    EXPECT_FALSE(resolveSampleName(folder, "BD_02.WAV\\x"));  // a file is no folder
    EXPECT_FALSE(resolveSampleName(folder, ""));
    // Names from a song file may not leave the folder.
    EXPECT_FALSE(resolveSampleName(folder / "Kit", "..\\BD_02.WAV"));
    EXPECT_FALSE(resolveSampleName(folder / "Kit", "Snares\\..\\..\\BD_02.WAV"));
    EXPECT_FALSE(resolveSampleName(folder, "\\etc\\passwd"));
    EXPECT_FALSE(resolveSampleName(folder, "/etc/passwd"));
}

TEST(SampleNames, ColonsAndNonAsciiLettersInAnyCase) {
    ScratchDir dir;
    std::filesystem::create_directories(dir / "\xD0\x91\xD0\xB0\xD1\x80\xD0\xB0\xD0\xB1\xD0\xB0\xD0\xBD\xD1\x8B");  // Барабаны
    dir.put("\xD0\x91\xD0\xB0\xD1\x80\xD0\xB0\xD0\xB1\xD0\xB0\xD0\xBD\xD1\x8B/\xCE\xA4\xCF\x8D\xCE\xBC\xCF\x80\xCE\xB1\xCE\xBD\xCE\xBF.wav", {1});  // Τύμπανο
    dir.put("Caf\xC3\xA9 \xC3\x89t\xC3\xA9.wav", {1});  // Café Été
    dir.put("Take 1: Kick.wav", {1});
    const auto folder = dir / "";

    // БАРАБАНЫ\ΤΎΜΠΑΝΟ.WAV
    EXPECT_EQ(resolveSampleName(folder, "\xD0\x91\xD0\x90\xD0\xA0\xD0\x90\xD0\x91\xD0\x90\xD0\x9D\xD0\xAB\\"
                                        "\xCE\xA4\xCE\x8E\xCE\x9C\xCE\xA0\xCE\x91\xCE\x9D\xCE\x9F.WAV"),
              folder / "\xD0\x91\xD0\xB0\xD1\x80\xD0\xB0\xD0\xB1\xD0\xB0\xD0\xBD\xD1\x8B" /
                  "\xCE\xA4\xCF\x8D\xCE\xBC\xCF\x80\xCE\xB1\xCE\xBD\xCE\xBF.wav");
    EXPECT_EQ(resolveSampleName(folder, "CAF\xC3\x89 \xC3\x89T\xC3\x89.WAV"),  // CAFÉ ÉTÉ.WAV
              folder / "Caf\xC3\xA9 \xC3\x89t\xC3\xA9.wav");
    // A colon is an ordinary character of a name here.
    EXPECT_EQ(resolveSampleName(folder, "Take 1: Kick.wav"), folder / "Take 1: Kick.wav");
    EXPECT_EQ(resolveSampleName(folder, "take 1: kick.WAV"), folder / "Take 1: Kick.wav");
    EXPECT_FALSE(resolveSampleName(folder, "C:\\Take 1: Kick.wav"));
}

TEST(SampleNames, Windows1252NamesFindTheirUtf8Files) {
    ScratchDir dir;
    std::filesystem::create_directories(dir / "D\xC3\xA9j\xC3\xA0");  // Déjà
    dir.put("Caf\xC3\xA9.wav", {1});
    dir.put("D\xC3\xA9j\xC3\xA0/\xC5\x92uvre \xE2\x82\xAC.wav", {1});  // Œuvre €
    const auto folder = dir / "";

    EXPECT_EQ(resolveSampleName(folder, "Caf\xE9.wav"), folder / "Caf\xC3\xA9.wav");
    EXPECT_EQ(resolveSampleName(folder, "CAF\xC9.WAV"), folder / "Caf\xC3\xA9.wav");
    // 0x80 and 0x8C are the Windows-1252 euro sign and OE ligature.
    EXPECT_EQ(resolveSampleName(folder, "d\xC9J\xC0\\\x8Cuvre \x80.wav"),
              folder / "D\xC3\xA9j\xC3\xA0" / "\xC5\x92uvre \xE2\x82\xAC.wav");

    // A file whose name is stored in those bytes is found as it stands first.
    dir.put("Caf\xE9.wav", {2});
    EXPECT_EQ(resolveSampleName(folder, "Caf\xE9.wav"), folder / "Caf\xE9.wav");
    // A name that is valid UTF-8 is never converted.
    EXPECT_FALSE(resolveSampleName(folder, "Caf\xC3\x83\xC2\xA9.wav"));
}

TEST(SampleNames, CaseCollisionsChooseTheFirstNameInByteOrder) {
    // Created in an order unlike the byte order, in two folders in opposite
    // orders, so that the order in which the folder is listed cannot decide.
    const std::vector<std::string> names = {"kick.wav", "Kick.wav", "KICK.WAV", "kIck.wav"};
    for (bool reversed : {false, true}) {
        ScratchDir dir;
        std::vector<std::string> order = names;
        if (reversed)
            std::reverse(order.begin(), order.end());
        for (const std::string& name : order)
            dir.put(name, {1});
        EXPECT_EQ(resolveSampleName(dir / "", "Kick.wav"), dir / "Kick.wav");  // exact first
        EXPECT_EQ(resolveSampleName(dir / "", "kick.WAV"), dir / "KICK.WAV");
        EXPECT_EQ(resolveSampleName(dir / "", "KICK.wav"), dir / "KICK.WAV");
    }

    // Only an entry of the right kind counts: "SNARE" is a file, so the
    // folder "snare" is taken on the way, and its file at the end.
    ScratchDir dir;
    dir.put("SNARE", {1});
    std::filesystem::create_directories(dir / "snare");
    dir.put("snare/a.wav", {1});
    std::filesystem::create_directories(dir / "Hat.wav");
    dir.put("hat.wav", {1});
    EXPECT_EQ(resolveSampleName(dir / "", "Snare\\A.WAV"), dir / "snare" / "a.wav");
    EXPECT_EQ(resolveSampleName(dir / "", "HAT.wav"), dir / "hat.wav");
}

// A name that gives no file but something else is told apart from one that
// gives nothing, by the same rules: exact first, then the first in byte order.
TEST(SampleNames, WhatANameGivesWhenItIsNoFile) {
    ScratchDir dir;
    std::filesystem::create_directories(dir / "Kit" / "KICK.WAV");
    std::filesystem::create_directories(dir / "Kit" / "kick.wav");
    ASSERT_TRUE(test::makeFifo(dir / "Kit" / "Kick.wav"));
    dir.put("Kit/snare.wav", {1});
    const auto folder = dir / "";

    const auto exact = findOtherEntry(folder, "Kit\\Kick.wav");
    ASSERT_TRUE(exact);
    EXPECT_EQ(exact->path, folder / "Kit" / "Kick.wav");
    EXPECT_EQ(exact->kind, FileKind::NamedPipe);
    const auto folded = findOtherEntry(folder, "kit\\kick.WAV");
    ASSERT_TRUE(folded);
    EXPECT_EQ(folded->path, folder / "Kit" / "KICK.WAV");
    EXPECT_EQ(folded->kind, FileKind::Folder);

    EXPECT_FALSE(findOtherEntry(folder, "Kit\\snare.wav"));  // a file is found as one
    EXPECT_FALSE(findOtherEntry(folder, "Kit\\gone.wav"));
    EXPECT_FALSE(findOtherEntry(folder, "..\\Kit"));
    EXPECT_FALSE(resolveSampleName(folder, "Kit\\Kick.wav"));
}

}  // namespace
}  // namespace tamboro
