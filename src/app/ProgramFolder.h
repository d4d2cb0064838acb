#pragma once
// Which folder a run keeps Comm.CFG, CFG/ and its data in.
#include <QString>

struct ProgramFolder {
    QString path;
    QString source; // why this one, for --help and About
};

// --dir when given. Otherwise an installed copy (its folder is the installed
// bin folder, or has the installed data beside it, or cannot be written)
// uses userDir, the per-user data folder; any other copy, such as one in a
// build tree, keeps its files in the executable's folder.
ProgramFolder ChooseProgramFolder(const QString& dirOption, const QString& exeDir, const QString& userDir);
