#include "platform/AtomicFile.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <sys/stat.h>

#include "files/FileSizeLimit.h"
#include "files/TempDir.h"

using namespace korvance;
using namespace korvance::testing;

TEST(AtomicFile, ReplacesTargetOnlyAfterCommit) {
    TempDir dir;
    std::string path = dir.file("doc.kvn");
    writeText(path, "old contents");
    {
        AtomicFile f(path);
        ASSERT_TRUE(f.open());
        ASSERT_TRUE(f.write("new contents"));
        EXPECT_EQ(readText(path), "old contents");  // untouched until commit
        ASSERT_TRUE(f.commit());
    }
    EXPECT_EQ(readText(path), "new contents");
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"doc.kvn"});
}

TEST(AtomicFile, AbandonedWriteLeavesOldFileAndNoTemporary) {
    TempDir dir;
    std::string path = dir.file("doc.kvn");
    writeText(path, "old contents");
    {
        AtomicFile f(path);
        ASSERT_TRUE(f.open());
        ASSERT_TRUE(f.write("half"));
    }  // destroyed without commit: an interrupted save
    EXPECT_EQ(readText(path), "old contents");
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"doc.kvn"});
}

TEST(AtomicFile, FailedWriteKeepsOldFile) {
    TempDir dir;
    std::string path = dir.file("doc.kvn");
    std::string old(5000, 'o');
    writeText(path, old);
    {
        FileSizeLimit limit(1000);
        AtomicFile f(path);
        ASSERT_TRUE(f.open());
        std::string big(600000, 'n');  // larger than the buffer: written at once
        EXPECT_FALSE(f.write(big));
        EXPECT_FALSE(f.commit());
        EXPECT_EQ(f.error(), EFBIG);
    }
    EXPECT_EQ(readText(path), old);
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"doc.kvn"});
}

TEST(AtomicFile, FailureFoundAtCommitKeepsOldFile) {
    TempDir dir;
    std::string path = dir.file("doc.kvn");
    writeText(path, "old");
    {
        FileSizeLimit limit(10);
        AtomicFile f(path);
        ASSERT_TRUE(f.open());
        EXPECT_TRUE(f.write(std::string(100, 'x')));  // buffered
        EXPECT_FALSE(f.commit());
    }
    EXPECT_EQ(readText(path), "old");
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"doc.kvn"});
}

TEST(AtomicFile, MissingFolderFailsAtOpen) {
    TempDir dir;
    AtomicFile f(dir.file("no/such/folder/doc.kvn"));
    EXPECT_FALSE(f.open());
    EXPECT_EQ(f.error(), ENOENT);
    EXPECT_FALSE(f.write("x"));
    EXPECT_FALSE(f.commit());
}

TEST(AtomicFile, KeepsModeOfExistingTarget) {
    TempDir dir;
    std::string path = dir.file("doc.kvn");
    writeText(path, "old");
    chmod(path.c_str(), 0640);
    AtomicFile f(path);
    ASSERT_TRUE(f.open());
    ASSERT_TRUE(f.write("new"));
    ASSERT_TRUE(f.commit());
    struct stat st {};
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
}

TEST(ReadWholeFile, ReadsAndRefuses) {
    TempDir dir;
    std::vector<uint8_t> out;
    int err = 0;
    EXPECT_FALSE(readWholeFile(dir.file("missing"), out, &err));
    EXPECT_EQ(err, ENOENT);
    EXPECT_FALSE(readWholeFile(dir.path(), out, &err));
    EXPECT_EQ(err, EISDIR);
    writeText(dir.file("a"), "abcdef");
    ASSERT_TRUE(readWholeFile(dir.file("a"), out, &err));
    EXPECT_EQ(std::string(out.begin(), out.end()), "abcdef");
    EXPECT_FALSE(readWholeFile(dir.file("a"), out, &err, 3));
    EXPECT_EQ(err, EFBIG);
}
