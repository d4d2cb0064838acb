#pragma once
// Where parameter files may go: never over the program's own configuration,
// and by default in a folder of their own, remembered between runs.
#include <QString>

// The program folder's Comm.CFG or a file of its CFG folder (names compared
// without regard to case, links and ".." resolved).
bool IsProgramConfigFile(const QString& path, const QString& programDir);
// The folder parameter files were last opened from or saved to; the user's
// documents folder until there is one.
QString ParamFolder();
void RememberParamFolder(const QString& filePath);
