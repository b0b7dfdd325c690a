// The words for refused song files and samples that could not be loaded, as
// the message boxes and the command line show them.

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "commands/file_texts.h"

namespace tamboro {
namespace {

TEST(FileTexts, EachRefusalAndEachSampleProblemHasItsOwnWords) {
    EXPECT_STREQ(songLoadMessage(SongLoadResult::Loaded), "");
    EXPECT_STREQ(songLoadMessage(SongLoadResult::BadTempo),
                 "The song file is damaged: its tempo is not a positive number.");
    EXPECT_STREQ(songLoadMessage(SongLoadResult::IsFolder), "The song file is a folder.");
    EXPECT_STREQ(songLoadMessage(SongLoadResult::IsNamedPipe),
                 "The song file is not a regular file (a named pipe).");
    EXPECT_STREQ(songLoadMessage(SongLoadResult::IsDevice), "The song file is not a regular file (a device).");
    EXPECT_STREQ(songLoadMessage(SongLoadResult::IsSocket), "The song file is not a regular file (a socket).");
    std::set<std::string> songTexts;
    for (SongLoadResult r : {SongLoadResult::OpenFailed, SongLoadResult::TooShort, SongLoadResult::BadTempo,
                             SongLoadResult::BadLength, SongLoadResult::IsFolder, SongLoadResult::IsNamedPipe,
                             SongLoadResult::IsDevice, SongLoadResult::IsSocket})
        EXPECT_TRUE(songTexts.insert(songLoadMessage(r)).second) << songLoadMessage(r);

    const std::pair<SampleProblem, const char*> samples[] = {
        {SampleProblem::NotFound, "not found"},
        {SampleProblem::NotWave, "not a WAV file"},
        {SampleProblem::Damaged, "damaged"},
        {SampleProblem::TooLarge, "too large"},
        {SampleProblem::OutOfMemory, "out of memory"},
        {SampleProblem::Unreadable, "cannot be read"},
        {SampleProblem::IsFolder, "is a folder"},
        {SampleProblem::IsNamedPipe, "is not a regular file (a named pipe)"},
        {SampleProblem::IsDevice, "is not a regular file (a device)"},
        {SampleProblem::IsSocket, "is not a regular file (a socket)"},
    };
    for (const auto& [problem, text] : samples)
        EXPECT_STREQ(sampleProblemText(problem), text);
}

}  // namespace
}  // namespace tamboro
