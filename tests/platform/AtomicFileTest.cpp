#include "platform/AtomicFile.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <sys/stat.h>

#include <optional>

#include "files/FileSizeLimit.h"
#include "files/TempDir.h"

using namespace korvance;
using namespace korvance::testing;

// However a save ends, the target holds either the old or the new contents
// and no temporary file stays beside it.
TEST(AtomicFile, TargetIsReplacedOnlyByACommitThatSucceeds) {
    const struct {
        const char* what;
        size_t sizeLimit;   // 0: none
        std::string data;   // more than the buffer is written at once
        bool commit;
        bool writeOk, commitOk;
        int error;
    } rows[] = {
        {"committed", 0, "new contents", true, true, true, 0},
        {"abandoned without commit (an interrupted save)", 0, "half", false, true, false, 0},
        {"write refused", 1000, std::string(600000, 'n'), true, false, false, EFBIG},
        {"buffered, refused at commit", 10, std::string(100, 'x'), true, true, false, EFBIG},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        TempDir dir;
        const std::string path = dir.file("doc.kvn");
        const std::string old(5000, 'o');
        writeText(path, old);
        {
            std::optional<FileSizeLimit> limit;
            if (r.sizeLimit) limit.emplace(r.sizeLimit);
            AtomicFile f(path);
            ASSERT_TRUE(f.open());
            EXPECT_EQ(f.write(r.data), r.writeOk);
            EXPECT_EQ(readText(path), old);  // untouched until commit
            if (r.commit) {
                EXPECT_EQ(f.commit(), r.commitOk);
                if (r.error) {
                    EXPECT_EQ(f.error(), r.error);
                }
            }
        }
        EXPECT_EQ(readText(path), r.commitOk ? r.data : old);
        EXPECT_EQ(dir.entries(), std::vector<std::string>{"doc.kvn"});
    }
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
