// Whole-file writes through QSaveFile.
#include "ui/save_file.h"

#include <QSaveFile>

bool save_file(const QString &path, const std::string &bytes, QString &error) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(bytes.data(), qint64(bytes.size())) != qint64(bytes.size()) || !file.commit()) {
        error = QStringLiteral("%1: %2").arg(path, file.errorString());
        return false;
    }
    return true;
}
