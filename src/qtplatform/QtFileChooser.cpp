#include "qtplatform/QtFileChooser.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

namespace korvance {

QStringList qtNameFilters(const std::vector<FileFilter>& filters) {
    QStringList out;
    for (const FileFilter& f : filters) {
        QStringList patterns;
        for (QString p : QString::fromStdString(f.pattern).split(';', Qt::SkipEmptyParts)) {
            p = p.trimmed();
            if (p.isEmpty()) continue;
            // "*.*" meant every file where it was written; here it would hide names without a dot.
            patterns << (p == "*.*" ? QStringLiteral("*") : p);
        }
        if (patterns.isEmpty()) patterns << QStringLiteral("*");
        out << QString::fromStdString(f.name) + " (" + patterns.join(' ') + ")";
    }
    return out;
}

QtFileChooser::QtFileChooser(QWidget* parent) : parent_(parent) {}

void QtFileChooser::setParentWidget(QWidget* parent) { parent_ = parent; }

std::optional<std::string> QtFileChooser::chooseOpen(const std::vector<FileFilter>& filters, const std::string& start,
                                                     const std::string& defaultExtension, const std::string& title) {
    return choose(filters, start, defaultExtension, false, title);
}

std::optional<std::string> QtFileChooser::chooseSave(const std::vector<FileFilter>& filters, const std::string& start,
                                                     const std::string& defaultExtension, const std::string& title) {
    return choose(filters, start, defaultExtension, true, title);
}

std::optional<std::string> QtFileChooser::choose(const std::vector<FileFilter>& filters, const std::string& start,
                                                 const std::string& defaultExtension, bool save,
                                                 const std::string& title) {
    QFileDialog dlg(parent_.data());
    if (!title.empty()) dlg.setWindowTitle(QString::fromStdString(title));
    dlg.setObjectName(save ? "korvanceSaveDialog" : "korvanceOpenDialog");
    dlg.setOption(QFileDialog::DontUseNativeDialog, !native_);
    dlg.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dlg.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    const QStringList names = qtNameFilters(filters);
    if (!names.isEmpty()) {
        dlg.setNameFilters(names);
        dlg.selectNameFilter(names.first());
    }
    if (!defaultExtension.empty()) dlg.setDefaultSuffix(QString::fromStdString(defaultExtension));

    // Stored paths may still carry the handheld's backslashes.
    const QString startText = QString::fromStdString(start).replace('\\', '/');
    if (!startText.isEmpty()) {
        const QFileInfo info(startText);
        if (info.isDir()) {
            dlg.setDirectory(info.absoluteFilePath());
        } else {
            const QFileInfo folder(info.absolutePath());
            if (folder.isDir()) dlg.setDirectory(folder.absoluteFilePath());
            if (!info.fileName().isEmpty()) dlg.selectFile(info.fileName());
        }
    }

    if (dlg.exec() != QDialog::Accepted) return std::nullopt;
    const QStringList chosen = dlg.selectedFiles();
    if (chosen.isEmpty() || chosen.first().isEmpty()) return std::nullopt;
    return QDir::cleanPath(chosen.first()).toStdString();
}

}  // namespace korvance
