#pragma once
#include <QIcon>

// The program's icon, drawn in code so it needs no file.
QIcon AppIcon();
