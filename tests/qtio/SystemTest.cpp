#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/qt/io/QtSystem.h"

namespace qv {
namespace {

namespace fs = std::filesystem;

TEST(QtSystem, ProjectDirIsTheExecutablesDirectoryWithoutTrailingSeparator) {
    QtSystem system;
    const std::string expected = fs::canonical("/proc/self/exe").parent_path().string();
    const std::string dir = system.projectDir();
    EXPECT_EQ(fs::canonical(dir).string(), expected);
    ASSERT_FALSE(dir.empty());
    EXPECT_NE(dir.back(), '/');
}

TEST(QtSystem, FileExistsOnlyForFiles) {
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    const fs::path root = tmp.path().toStdString();
    std::ofstream(root / "present.cfg") << "x";
    fs::create_directory(root / "folder");
    fs::create_symlink(root / "present.cfg", root / "link.cfg");
    fs::create_symlink(root / "gone.cfg", root / "dangling.cfg");

    QtSystem system;
    const struct {
        std::string path;
        bool exists;
    } cases[] = {
        {(root / "present.cfg").string(), true},  {(root / "link.cfg").string(), true},
        {(root / "missing.cfg").string(), false}, {(root / "dangling.cfg").string(), false},
        {(root / "folder").string(), false},      {"", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(system.fileExists(c.path), c.exists) << c.path;
    }
}

}  // namespace
}  // namespace qv
