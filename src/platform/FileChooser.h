#pragma once
// The file-dialog wrapper: every command that asks for a file name goes
// through here, so tests choose files without a window.

#include <optional>
#include <string>
#include <vector>

namespace korvance {

struct FileFilter {
    std::string name;     // "korvan file"
    std::string pattern;  // "*.kvn" (several separated by ';')
};

class FileChooser {
public:
    virtual ~FileChooser() = default;
    // `start` is both the folder to start in and the initial file text;
    // `title` names what the dialog is for ("Export GPX"), or "" for the
    // plain Open / Save As. Returns the chosen path, or nothing when the user cancelled.
    virtual std::optional<std::string> chooseOpen(const std::vector<FileFilter>& filters, const std::string& start,
                                                  const std::string& defaultExtension,
                                                  const std::string& title = {}) = 0;
    // The save variant asks before overwriting an existing file.
    virtual std::optional<std::string> chooseSave(const std::vector<FileFilter>& filters, const std::string& start,
                                                  const std::string& defaultExtension,
                                                  const std::string& title = {}) = 0;
};

}  // namespace korvance
