#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "files/IFTxtFile.h"
#include "files/TempDir.h"
#include "platform/testing/ScriptedPrompt.h"

using namespace korvance;
using namespace korvance::testing;

namespace {

class LineReaderTest : public ::testing::Test {
protected:
    std::string write(const std::string& name, const std::string& bytes) {
        writeText(dir_.file(name), bytes);
        return dir_.file(name);
    }
    static std::vector<std::string> readAll(IFTxtFile& f, int capacity = 16383) {
        std::vector<std::string> lines;
        std::string line;
        while (f.readLine(line, capacity) >= 0) lines.push_back(line);
        return lines;
    }
    TempDir dir_;
};

}  // namespace

TEST_F(LineReaderTest, LineEnds) {
    struct Row {
        const char* name;
        std::string bytes;
        std::vector<std::string> lines;
        char terminator = '\n';
    } rows[] = {
        {"CR LF", "PQ\r\nRS\r\n", {"PQ", "RS"}},
        {"LF only keeps every character", "PQ\nRS\n", {"PQ", "RS"}},
        {"unterminated last line is kept whole", "PQ\r\nXYZ", {"PQ", "XYZ"}},
        {"CR LF alone is an empty line", "\r\n", {""}},
        {"bare LF is an empty line", "\n", {""}},
        {"empty file", "", {}},
        {"blank line in between", "a\n\nb", {"a", "", "b"}},
        {"unterminated line ending in CR", "XY\r", {"XY"}},
        {"CR inside a line stays", "a\rb\n", {"a\rb"}},
        {"other bytes before LF stay", "ab;\n", {"ab;"}},
        {"zero byte inside a line", std::string("a\0b\n", 4), {std::string("a\0b", 3)}},
        {"another terminator", "a;b\r;c", {"a", "b", "c"}, ';'},
    };
    for (const auto& r : rows) {
        ScriptedPrompt p;
        IFTxtFile f(p, r.terminator);
        ASSERT_TRUE(f.open(write("t.txt", r.bytes))) << r.name;
        EXPECT_EQ(readAll(f), r.lines) << r.name;
        std::string line = "kept";
        EXPECT_EQ(f.readLine(line), -1) << r.name;
        EXPECT_EQ(line, "kept") << "the end leaves the destination alone: " << r.name;
        EXPECT_TRUE(p.shown.empty()) << r.name;
        EXPECT_FALSE(f.readFailed());
    }
}

TEST_F(LineReaderTest, CharBufferForm) {
    ScriptedPrompt p;
    IFTxtFile f(p);
    ASSERT_TRUE(f.open(write("t.txt", "hello\r\nworld\n")));
    char buf[6];
    EXPECT_EQ(f.readLine(buf, sizeof buf), 5);
    EXPECT_STREQ(buf, "hello");
    char small[3] = {'x', 'x', 0};
    EXPECT_EQ(f.readLine(small, sizeof small), -1) << "a line longer than the buffer is refused";
    EXPECT_EQ(small[0], 0);
    EXPECT_TRUE(p.shown.empty());
    EXPECT_EQ(f.readLine(buf, sizeof buf), 5) << "the refused line is still there";
    EXPECT_STREQ(buf, "world");
}

TEST_F(LineReaderTest, WindowWithoutTerminatorOverflows) {
    ScriptedPrompt p;
    IFTxtFile f(p);
    ASSERT_TRUE(f.open(write("t.txt", "short\n" + std::string(40000, 'L') + "\nafter\n")));
    std::string line;
    EXPECT_EQ(f.readLine(line), 5);
    EXPECT_EQ(f.readLine(line), -1);
    EXPECT_EQ(line, "");
    ASSERT_EQ(p.shown.size(), 1u);
    EXPECT_EQ(p.shown[0].text, "Buffer Over Flow");
    EXPECT_EQ(p.shown[0].caption, "IFTxtFile");
    EXPECT_EQ(p.shown[0].icon, Icon::Stop);
}

TEST_F(LineReaderTest, LinesAcrossTheSlidingBoundary) {
    // After two 10000-byte lines the window has slid once; the next line then
    // runs up to file offset 32768, where the buffer wraps. Shift its end
    // around that point so the carriage return, the line feed and the text
    // each fall on both sides of it.
    for (int shift = -3; shift <= 3; ++shift) {
        std::string a(10000, 'a'), b(10000, 'b');
        int cLen = 32768 - 20002 - 1 + shift;  // shift 0: CR at 32767, LF at 32768
        std::string c(size_t(cLen), 'c');
        c[0] = 'C';
        c.back() = 'E';
        std::string bytes = a + "\n" + b + "\n" + c + "\r\n" + "tail\r\n";
        for (bool asString : {true, false}) {
            ScriptedPrompt p;
            IFTxtFile f(p);
            ASSERT_TRUE(f.open(write("t.txt", bytes)));
            std::vector<std::string> got;
            if (asString) {
                got = readAll(f);
            } else {
                std::vector<char> buf(16383);
                while (f.readLine(buf.data(), int(buf.size())) >= 0) got.emplace_back(buf.data());
            }
            EXPECT_EQ(got, (std::vector<std::string>{a, b, c, "tail"})) << "shift " << shift;
            EXPECT_TRUE(p.shown.empty());
        }
    }
}

namespace {

// The window exactly as described, with its halves moved by copying: the
// reader must give the same lines, results and messages on any input.
struct ModelReader {
    std::string data;
    size_t fileOffset = 0;
    std::vector<char> buf = std::vector<char>(32768, 0);
    int pos = 0, valid = 0;
    std::vector<std::string> messages;

    explicit ModelReader(std::string d) : data(std::move(d)) { valid = fill(0, 32768); }
    int fill(int at, int want) {
        int n = int(std::min<size_t>(size_t(want), data.size() - fileOffset));
        std::memcpy(buf.data() + at, data.data() + fileOffset, size_t(n));
        fileOffset += size_t(n);
        return n;
    }
    int readLine(std::string& out, int capacity) {
        if (capacity >= 16384) { messages.push_back("Too big buffer"); out.clear(); return -1; }
        if (valid < 32768 && pos >= valid) return -1;
        int end = -1;
        for (int i = pos; i < valid; ++i)
            if (buf[size_t(i)] == '\n') { end = i; break; }
        int after;
        if (end >= 0) after = end + 1;
        else if (valid >= 32768) { messages.push_back("Buffer Over Flow"); out.clear(); return -1; }
        else { end = valid; after = valid; }
        int len = end - pos;
        if (len > 0 && buf[size_t(end - 1)] == '\r') --len;
        if (len >= capacity) { out.clear(); return -1; }
        out.assign(buf.data() + pos, size_t(len));
        pos = after;
        if (valid == 32768 && pos > 16384) {
            std::memmove(buf.data(), buf.data() + 16384, 16384);
            pos -= 16384;
            valid -= 16384;
            valid += fill(16384, 16384);
        }
        return len;
    }
};

}  // namespace

TEST_F(LineReaderTest, AgreesWithTheSlidingWindowOnRandomFiles) {
    std::mt19937 rng(20091515);
    for (int round = 0; round < 30; ++round) {
        std::string bytes;
        size_t size = rng() % 200000;
        int maxLine = (round % 4 == 0) ? 20000 : 400;
        while (bytes.size() < size) {
            int len = int(rng() % uint32_t(maxLine));
            for (int i = 0; i < len; ++i) {
                uint32_t r = rng() % 50;
                bytes += r == 0 ? '\r' : r == 1 ? '\0' : char('A' + r % 26);
            }
            bytes += (rng() % 3 == 0) ? "\r\n" : "\n";
        }
        if (rng() % 2) bytes += "tail";
        auto path = write("r.txt", bytes);
        ScriptedPrompt p;
        IFTxtFile f(p);
        ASSERT_TRUE(f.open(path));
        ModelReader model(bytes);
        std::string got = "?", want = "?";
        for (int step = 0; step < 1000000; ++step) {
            int capacity = (rng() % 50 == 0) ? int(rng() % 600) : 16383;
            if (rng() % 500 == 0) capacity = 16384;
            int a = f.readLine(got, capacity);
            int b = model.readLine(want, capacity);
            ASSERT_EQ(a, b) << "round " << round << " step " << step;
            ASSERT_EQ(got, want) << "round " << round << " step " << step;
            if (b < 0 && (model.messages.empty() || model.messages.back() != "Too big buffer") &&
                capacity == 16383)
                break;
        }
        EXPECT_EQ(p.texts(), model.messages) << "round " << round;
    }
}

TEST_F(LineReaderTest, OpenAndClose) {
    ScriptedPrompt p;
    IFTxtFile f(p);
    std::string line = "x";
    EXPECT_EQ(f.readLine(line), 0) << "no file: an empty line";
    EXPECT_EQ(line, "");
    EXPECT_FALSE(f.open(dir_.file("missing.txt")));
    EXPECT_FALSE(f.open(dir_.path())) << "a folder is not a text file";
    auto path = write("t.txt", "one\ntwo\n");
    ASSERT_TRUE(f.open(path));
    EXPECT_FALSE(f.open(path)) << "already open";
    EXPECT_EQ(f.readLine(line), 3);
    f.close();
    EXPECT_FALSE(f.isOpen());
    ASSERT_TRUE(f.open(path));
    EXPECT_EQ(readAll(f), (std::vector<std::string>{"one", "two"}));
}
