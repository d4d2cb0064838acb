#pragma once
#include <QIcon>
#include <QImage>

// The program's icon, drawn in code so it needs no file. The installed
// icon theme files are drawn by the same code (data/vq800.svg mirrors it).
QImage AppIconImage(int size);
QIcon AppIcon();
