#pragma once
// Opening documents and programs through the desktop shell.
#include <QString>

// Asks the shell to run `operation` ("OPEN") on `file`. On Windows a failure
// offers the shell's "Open with" choice; elsewhere it simply returns false.
// showCommand is accepted for the callers' sake; the desktop decides.
bool RunDocument(const QString& operation, const QString& file, const QString& parameters,
                 const QString& directory, int showCommand);
