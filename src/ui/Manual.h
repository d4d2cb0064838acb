#pragma once
// The operator manual that ships with the program, opened in the desktop's
// browser at a chapter; F1 opens the chapter of the window it is pressed in.
#include <QObject>
#include <QString>

// The manual's file: in the program folder, beside the executable, or under
// the install prefix; empty when none is found.
QString ManualFile(const QString& programDir);
// Opens the manual at `chapter` (an anchor; empty for its contents); false and why when it cannot.
bool OpenManual(const QString& programDir, const QString& chapter, QString* why = nullptr);
// The chapter of a window, by its object name ("frmVQ_Mon_Bar" -> "monitors"); "contents" when none fits.
QString ChapterOf(const QString& windowName);

// F1 in any window of the program opens the manual at its chapter. Installed
// once on the application.
class HelpKey : public QObject {
public:
    HelpKey(const QString& programDir, QObject* parent) : QObject(parent), m_programDir(programDir) {}
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QString m_programDir;
};
