#include <gmock/gmock.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/DeathTestIo.h"
#include "support/OrdinaryUser.h"
#include "support/TempDir.h"
#include "framework/AssetSearch.h"
#include "platform/system/ExecutablePath.h"

namespace {

std::string search(const std::filesystem::path& start, const std::string& name) {
    std::vector<std::string> candidates;
    return searchAssetPath(start, name, candidates);
}

// root/CMakeLists.txt marks the source tree; the program runs from root/build/bin.
class AssetTree : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(tmp.path().empty());
        root = tmp.mkdir("root");
        tmp.touch("root/CMakeLists.txt", "project(x)");
        exeDir = tmp.mkdir("root/build/bin");
    }

    TempDir tmp;
    std::filesystem::path root;
    std::filesystem::path exeDir;
};

}  // namespace

TEST_F(AssetTree, FileExistsHoldsForRegularFilesOnly) {
    const auto file = tmp.touch("root/a.txt");
    EXPECT_TRUE(fileExists(file.string()));
    EXPECT_FALSE(fileExists(root.string()));
    EXPECT_FALSE(fileExists((root / "missing.txt").string()));
    EXPECT_FALSE(fileExists(""));
    std::filesystem::create_symlink(file, root / "link.txt");
    EXPECT_TRUE(fileExists((root / "link.txt").string()));

    // Opening these could hang or never end. The FIFO is held open for writing here, so that
    // a check that opens it anyway comes back (true) instead of waiting for a writer.
    const std::string fifo = (root / "fifo").string();
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const int writer = open(fifo.c_str(), O_RDWR | O_NONBLOCK);
    ASSERT_GE(writer, 0);
    EXPECT_FALSE(fileExists(fifo));
    close(writer);
    EXPECT_FALSE(fileExists("/dev/zero"));
}

TEST_F(AssetTree, AnAssetBesideTheExecutablesFolderIsFoundOnTheFirstStepAndKeepsItsDots) {
    tmp.touch("root/build/assets/shaders/a.vert");
    const std::string found = search(exeDir, "../assets/shaders/a.vert");
    EXPECT_EQ(found, (exeDir / "../assets/shaders/a.vert").string());
    EXPECT_NE(found.find("/bin/../assets/"), std::string::npos);
}

TEST_F(AssetTree, TheSourceRootIsItselfSearched) {
    tmp.touch("root/data/x.txt");
    EXPECT_EQ(search(exeDir, "data/x.txt"), (root / "data/x.txt").string());
}

TEST_F(AssetTree, CopiesAboveTheSourceRootAreNeverSeen) {
    tmp.touch("data/x.txt");  // beside root, reachable only from root's parent
    EXPECT_EQ(search(exeDir, "data/x.txt"), "");
    // ... while a name that reaches it from root itself still counts.
    EXPECT_EQ(search(exeDir, "../data/x.txt"), (root / "../data/x.txt").string());
}

TEST_F(AssetTree, ADirectoryBearingTheAssetsNameIsNoCandidate) {
    tmp.mkdir("root/build/assets/settings.ini");
    tmp.touch("root/assets/settings.ini");
    EXPECT_EQ(search(exeDir, "../assets/settings.ini"), (root / "build/../assets/settings.ini").string());
}

// Counted with entryExists, whatever stands in the asset's place is a copy, whether or not it can
// be read: a readable copy higher up makes the name ambiguous instead of being taken for it.
TEST_F(AssetTree, CountingEveryEntryACopyThatCannotBeReadMakesTheNameAmbiguous) {
    namespace fs = std::filesystem;
    // Folders anyone may search, so that the ordinary user below sees the files in them.
    for (const auto& folder : {tmp.path(), root, root / "build"}) {
        fs::permissions(folder, fs::perms::group_read | fs::perms::group_exec | fs::perms::others_read |
                                    fs::perms::others_exec, fs::perm_options::add);
    }
    // Beside each readable copy higher up: a directory, a file no one may read, a symbolic link
    // to nothing, a file in a folder no one may search; and a directory above a readable copy.
    tmp.touch("root/assets/settings.ini");
    tmp.mkdir("root/build/assets/settings.ini");
    tmp.touch("root/build/assets/locked.ini");
    tmp.touch("root/assets/locked.ini");
    fs::permissions(root / "build/assets/locked.ini", fs::perms::none);
    tmp.touch("root/assets/dangling.ini");
    fs::create_symlink(root / "build/assets/gone.ini", root / "build/assets/dangling.ini");
    tmp.touch("root/assets/closed/hidden.ini");
    tmp.touch("root/build/assets/closed/hidden.ini");
    fs::permissions(root / "build/assets/closed", fs::perms::none);
    tmp.touch("root/build/assets/higher.ini");
    tmp.mkdir("root/assets/higher.ini");
    EXPECT_EQ(search(exeDir, "../assets/nothing.ini"), "");
    for (const std::string name : {"../assets/settings.ini", "../assets/locked.ini", "../assets/dangling.ini",
                                   "../assets/closed/hidden.ini", "../assets/higher.ini"}) {
        SCOPED_TRACE(name);
        EXPECT_EXIT(
            {
                testio::prepareFatalChild();
                OrdinaryUser user;
                std::vector<std::string> candidates;
                searchAssetPath(exeDir, name, candidates, entryExists);
            },
            testing::ExitedWithCode(1),
            testing::HasSubstr("Candidates are:\n  - " + (exeDir / name).string() + "\n  - " +
                               (root / "build" / name).string() + "\n"));
    }
    fs::permissions(root / "build/assets/closed", fs::perms::owner_all);  // so that it can be removed
    OrdinaryUser user;
    ASSERT_TRUE(user.checksPermissions());
    EXPECT_EQ(search(exeDir, "../assets/locked.ini"), (root / "build/../assets/locked.ini").string());
}

TEST_F(AssetTree, AMissingAssetGivesAnEmptyResultAndPrintsNothing) {
    testing::internal::CaptureStdout();
    const std::string found = search(exeDir, "../assets/none.dds");
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(found, "");
}

TEST_F(AssetTree, ATrailingSeparatorDoesNotCountTheStartDirectoryTwice) {
    tmp.touch("root/build/bin/only.txt");
    EXPECT_EQ(search(exeDir.string() + "/", "only.txt"), (exeDir / "only.txt").string());
}

TEST(AssetSearch, WithoutASourceRootTheSearchRunsUpToTheFileSystemRoot) {
    TempDir tmp;
    tmp.touch("assets/x.txt");
    const auto start = tmp.mkdir("a/b/c/d");
    EXPECT_EQ(search(start, "assets/x.txt"), (tmp.path() / "assets/x.txt").string());
    EXPECT_EQ(search(start, "qv-no-such-asset-anywhere/x.txt"), "");
}

TEST(AssetSearch, ResolveStartsAtTheExecutablesDirectory) {
    std::string exe;
    ASSERT_TRUE(readExecutablePath(exe));
    const auto dir = std::filesystem::path(exe).parent_path();
    const std::string name = "qv-resolve-" + std::to_string(getpid()) + ".txt";
    {
        std::ofstream(dir / name) << "x";
    }
    EXPECT_EQ(resolveAssetPath(name), (dir / name).string());
    std::filesystem::remove(dir / name);
    EXPECT_EQ(resolveAssetPath(name), "");
}

TEST_F(AssetTree, AnAssetFoundTwiceIsFatalWithEveryCandidateListed) {
    tmp.touch("root/build/assets/t.dds");
    tmp.touch("root/assets/t.dds");
    const std::string first = (exeDir / "../assets/t.dds").string();
    const std::string second = (root / "build/../assets/t.dds").string();
    const std::string expected =
        "Ambiguous asset file path: '../assets/t.dds'Found this path at multiple locations. Don't know which one "
        "shall be used. Candidates are:\n"
        "  - " + first + "\n"
        "  - " + second + "\n"
        "Remove all duplicates to fix this!\n";
    EXPECT_EXIT(
        {
            testio::prepareFatalChild();
            search(exeDir, "../assets/t.dds");
        },
        testing::ExitedWithCode(1), testing::StrEq(expected));
}

TEST_F(AssetTree, ACopyInTheSourceRootMakesItAmbiguousToo) {
    tmp.touch("root/build/bin/cfg.ini");
    tmp.touch("root/cfg.ini");
    EXPECT_EXIT(
        {
            testio::prepareFatalChild();
            search(exeDir, "cfg.ini");
        },
        testing::ExitedWithCode(1), testing::HasSubstr("  - " + (root / "cfg.ini").string() + "\n"));
}

TEST(AssetSearchDeathTest, MissingShaderAndTextureFilesAreFatal) {
    EXPECT_EXIT(
        {
            testio::prepareFatalChild();
            findShaderFile("../assets/shaders/Missing/missing.vert");
        },
        testing::ExitedWithCode(1), testing::StrEq("Could not find shader file: ../assets/shaders/Missing/missing.vert\n"));
    EXPECT_EXIT(
        {
            testio::prepareFatalChild();
            findTextureFile("../assets/textures/missing.dds");
        },
        testing::ExitedWithCode(1), testing::StrEq("Could not find texture file: ../assets/textures/missing.dds\n"));
}
