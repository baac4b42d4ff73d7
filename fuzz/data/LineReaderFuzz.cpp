// The line reader on arbitrary file contents: the first input byte picks the
// line end and the destination sizes; every line must fit its destination,
// and the lines with their line ends must add up to a prefix of the file.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

#include "FuzzScratch.h"
#include "files/IFTxtFile.h"

using namespace korvance;

namespace {

class SilentPrompt : public UserPrompt {
public:
    void message(const std::string&, const std::string&, Icon) override { ++messages; }
    Answer ask(const std::string&, const std::string&, Buttons, Icon) override { return Answer::No; }
    void beep(BeepKind) override {}
    void errorWindow(const std::string&) override {}
    void beginWait() override {}
    void endWait() override {}
    int messages = 0;
};

std::string tempPath() { return fuzzing::scratch("lines.txt"); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const uint8_t mode = data[0];
    const char terminator = (mode & 1) ? ';' : '\n';
    const int capacity = (mode & 2) ? 1 + mode % 64 : IFTxtFile::kHalf - 1;
    std::FILE* f = std::fopen(tempPath().c_str(), "wb");
    if (!f) return 0;
    std::fwrite(data + 1, 1, size - 1, f);
    std::fclose(f);

    SilentPrompt prompt;
    IFTxtFile reader(prompt, terminator);
    if (!reader.open(tempPath())) std::abort();
    std::string line;
    char buf[IFTxtFile::kHalf];
    size_t consumed = 0;
    for (int n = 0; n < 1 << 20; ++n) {
        int len = (n & 1) ? reader.readLine(buf, capacity) : reader.readLine(line, capacity);
        if (len < 0) break;
        if (len >= capacity) std::abort();
        const char* got = (n & 1) ? buf : line.data();
        if (consumed + size_t(len) > size - 1) std::abort();
        if (std::string(got, size_t(len)) != std::string(reinterpret_cast<const char*>(data + 1 + consumed), size_t(len)))
            std::abort();
        consumed += size_t(len);
        // Skip the dropped carriage return and the line end.
        if (consumed < size - 1 && data[1 + consumed] == '\r') ++consumed;
        if (consumed < size - 1 && char(data[1 + consumed]) == terminator) ++consumed;
    }
    return 0;
}
