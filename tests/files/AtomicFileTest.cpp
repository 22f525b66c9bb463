#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "files/AtomicFile.h"
#include "files/IniDocument.h"
#include "tests/files/TempDir.h"

#if defined(__unix__)
#include <sys/resource.h>
#include <csignal>
#endif

namespace qv {
namespace {

class AtomicFile : public ::testing::Test {
  protected:
    testing::TempDir dir;
    const std::string target = dir.file("Parameter.ini");
    const std::string oldText = "[OLD]\r\nA = 1\r\n\r\n";
};

TEST_F(AtomicFile, CreatesANewFileWithExactlyTheBytes) {
    const std::string bytes("a\r\nb\0c\xff", 8);
    ASSERT_EQ(writeFileAtomically(target, bytes), 0);
    EXPECT_EQ(testing::readBytes(target), bytes);
    EXPECT_EQ(dir.entryCount(), 1u);
}

TEST_F(AtomicFile, ReplacesAnOlderFileAndLeavesNoTemporaryFile) {
    testing::writeBytes(target, std::string(5000, 'o'));
    ASSERT_EQ(writeFileAtomically(target, "new"), 0);
    EXPECT_EQ(testing::readBytes(target), "new");
    ASSERT_EQ(writeFileAtomically(target, ""), 0);
    EXPECT_EQ(testing::readBytes(target), "");
    EXPECT_EQ(dir.entryCount(), 1u);
}

TEST_F(AtomicFile, ReplacementKeepsThePermissionsOfTheOldFile) {
    namespace fs = std::filesystem;
    testing::writeBytes(target, oldText);
    const fs::perms chosen = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read;
    fs::permissions(target, chosen);
    ASSERT_EQ(writeFileAtomically(target, "new"), 0);
    EXPECT_EQ(fs::status(target).permissions(), chosen);
}

TEST_F(AtomicFile, TargetThatIsADirectoryIsDeniedAndStaysWhole) {
    const std::string folder = dir.file("Parameter.ini.d");
    std::filesystem::create_directory(folder);
    testing::writeBytes(folder + "/inside.ini", oldText);

    IniDocument doc;
    doc.putInt("NEW", "A", 2);
    EXPECT_EQ(doc.writeToFile(folder), INI_ERR_ACCESS_DENIED);
    EXPECT_TRUE(std::filesystem::is_directory(folder));
    EXPECT_EQ(testing::readBytes(folder + "/inside.ini"), oldText);
    EXPECT_EQ(dir.entryCount(), 1u);
}

TEST_F(AtomicFile, MissingDirectoryFailsWithoutCreatingAnything) {
    const std::string nowhere = dir.file("missing") + "/Parameter.ini";
    EXPECT_EQ(writeFileAtomically(nowhere, oldText), INI_ERR_OTHER_OUTPUT);
    EXPECT_FALSE(std::filesystem::exists(dir.file("missing")));
    EXPECT_EQ(dir.entryCount(), 0u);
}

TEST_F(AtomicFile, EmptyPathFails) {
    EXPECT_EQ(writeFileAtomically("", oldText), INI_ERR_OTHER_OUTPUT);
}

#if defined(__unix__)
// A write that fails half-way (here: the process may not grow a file past 64 bytes, which the
// system reports like a full disk) must leave the old file whole and remove the temporary file.
TEST_F(AtomicFile, WriteFailingHalfWayLeavesTheOldFileWhole) {
    testing::writeBytes(target, oldText);

    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 64;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);

    IniDocument doc;
    doc.putString("NEW", "TEXT", std::string(4000, 'n'));
    const int result = doc.writeToFile(target);

    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);

    EXPECT_EQ(result, INI_ERR_DISK_FULL);
    EXPECT_EQ(testing::readBytes(target), oldText);
    EXPECT_EQ(dir.entryCount(), 1u);
}
#endif

}  // namespace
}  // namespace qv
