#include "qtplatform/QtProcess.h"

#include <QProcess>
#include <QString>

namespace korvance {

bool QtProcess::start(const std::string& program, const std::string& arguments) {
    // A path registered on the handheld may still use backslashes.
    const QString path = QString::fromStdString(program).replace('\\', '/').trimmed();
    if (path.isEmpty()) return false;
    return QProcess::startDetached(path, QProcess::splitCommand(QString::fromStdString(arguments)));
}

}  // namespace korvance
