// Writes a file whole or not at all, with Qt's own means: the text goes to a temporary
// file beside the target, which takes the target's place only once it is complete.
#pragma once

#include <QString>

#include <string>

// Writes bytes to path. Returns false with the path and the reason in error, the target
// then as it was.
bool save_file(const QString &path, const std::string &bytes, QString &error);
