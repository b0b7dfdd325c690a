// The folder the launcher starts the installed program in.

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "desktop/user_folder.h"
#include "tests/files/wave_bytes.h"

namespace tamboro {
namespace {

using test::ScratchDir;

TEST(UserFolder, FirstStartCopiesTheKitAndSongsLaterStartsKeepTheUsersFiles) {
    ScratchDir dir;
    std::filesystem::create_directories(dir / "share/Samples/Kits");
    std::filesystem::create_directories(dir / "share/Songs");
    std::ofstream(dir / "share/Samples/BD_02.WAV") << "kick";
    std::ofstream(dir / "share/Samples/Kits/Rim.wav") << "rim";
    std::ofstream(dir / "share/Songs/Demo.sng") << "demo";
    const auto mine = dir / "home/tamboro";

    ASSERT_EQ(prepareUserFolder(mine, dir / "share"), "");
    EXPECT_EQ(test::readFile(mine / "Samples/Kits/Rim.wav"), (test::Bytes{'r', 'i', 'm'}));
    EXPECT_TRUE(std::filesystem::exists(mine / "Songs/Demo.sng"));

    // The user's own changes survive the next start.
    std::ofstream(mine / "Samples/BD_02.WAV") << "my kick";
    std::filesystem::remove(mine / "Songs/Demo.sng");
    std::ofstream(mine / "Songs/Mine.sng") << "mine";
    ASSERT_EQ(prepareUserFolder(mine, dir / "share"), "");
    EXPECT_EQ(test::readFile(mine / "Samples/BD_02.WAV").size(), 7u);
    EXPECT_FALSE(std::filesystem::exists(mine / "Songs/Demo.sng"));
    EXPECT_TRUE(std::filesystem::exists(mine / "Songs/Mine.sng"));
    EXPECT_FALSE(std::filesystem::exists(mine / ".Samples.copying"));
}

TEST(UserFolder, MissingInstalledDataGivesEmptyFoldersAndAnUnusableFolderSaysWhy) {
    ScratchDir dir;
    ASSERT_EQ(prepareUserFolder(dir / "u", dir / "nothing-installed"), "");
    EXPECT_TRUE(std::filesystem::is_directory(dir / "u/Samples"));
    EXPECT_TRUE(std::filesystem::is_directory(dir / "u/Songs"));

    std::ofstream(dir / "file") << "x";
    const std::string why = prepareUserFolder(dir / "file/u", dir / "nothing-installed");
    EXPECT_NE(why.find("file/u"), std::string::npos) << why;
}

TEST(UserFolder, FollowsXdgDataHomeElseHome) {
    const char* savedData = std::getenv("XDG_DATA_HOME");
    const char* savedHome = std::getenv("HOME");
    const std::string dataHome = savedData ? savedData : "";
    const std::string home = savedHome ? savedHome : "";

    setenv("XDG_DATA_HOME", "/data/x", 1);
    EXPECT_EQ(userFolder(), std::filesystem::path("/data/x/tamboro"));
    setenv("XDG_DATA_HOME", "relative", 1);  // not absolute: ignored
    setenv("HOME", "/home/u", 1);
    EXPECT_EQ(userFolder(), std::filesystem::path("/home/u/.local/share/tamboro"));

    savedData ? setenv("XDG_DATA_HOME", dataHome.c_str(), 1) : unsetenv("XDG_DATA_HOME");
    savedHome ? setenv("HOME", home.c_str(), 1) : unsetenv("HOME");
}

}  // namespace
}  // namespace tamboro
