#pragma once
// The file dialogs of every command that asks for a file name, on QFileDialog.
// The outside dialog library of the handheld original has no counterpart here.

#include <QPointer>
#include <QStringList>
#include <QWidget>

#include "platform/FileChooser.h"

namespace korvance {

// "korvan file" + "*.kvn;*.kv2" -> "korvan file (*.kvn *.kv2)"; "*.*" means every file.
QStringList qtNameFilters(const std::vector<FileFilter>& filters);

class QtFileChooser : public FileChooser {
public:
    explicit QtFileChooser(QWidget* parent = nullptr);
    void setParentWidget(QWidget* parent);
    // Qt's own dialog by default: it behaves the same on every desktop and
    // tests can drive it; the desktop's native dialog when set.
    void setNativeDialog(bool native) { native_ = native; }

    std::optional<std::string> chooseOpen(const std::vector<FileFilter>& filters, const std::string& start,
                                          const std::string& defaultExtension,
                                          const std::string& title = {}) override;
    std::optional<std::string> chooseSave(const std::vector<FileFilter>& filters, const std::string& start,
                                          const std::string& defaultExtension,
                                          const std::string& title = {}) override;

private:
    std::optional<std::string> choose(const std::vector<FileFilter>& filters, const std::string& start,
                                      const std::string& defaultExtension, bool save, const std::string& title);

    QPointer<QWidget> parent_;
    bool native_ = false;
};

}  // namespace korvance
