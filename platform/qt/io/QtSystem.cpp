#include "platform/qt/io/QtSystem.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace qv {

std::string QtSystem::projectDir() {
    QString dir = QDir::toNativeSeparators(QCoreApplication::applicationDirPath());
    // The root directory is the one case where Qt keeps a trailing separator.
    while (dir.size() > 1 && (dir.endsWith(QLatin1Char('/')) || dir.endsWith(QLatin1Char('\\')))) {
        dir.chop(1);
    }
    return dir.toStdString();
}

bool QtSystem::fileExists(const std::string& path) {
    return !path.empty() && QFileInfo(QString::fromStdString(path)).isFile();
}

}  // namespace qv
