#include "ui/Manual.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QUrl>
#include <QWidget>

QString ManualFile(const QString& programDir)
{
    const QString exe = QCoreApplication::applicationDirPath();
    const QStringList places = {QDir(programDir).filePath(QStringLiteral("manual/index.html")),
                                QDir(exe).filePath(QStringLiteral("manual/index.html")),
                                QDir(exe).filePath(QStringLiteral("../share/doc/vq800/manual/index.html"))};
    for (const QString& file : places)
        if (QFileInfo::exists(file))
            return QFileInfo(file).absoluteFilePath();
    return {};
}

bool OpenManual(const QString& programDir, const QString& chapter, QString* why)
{
    const QString file = ManualFile(programDir);
    if (file.isEmpty()) {
        if (why)
            *why = QStringLiteral("The manual was not found beside the program (%1)")
                       .arg(QDir::toNativeSeparators(QDir(QCoreApplication::applicationDirPath()).filePath("manual")));
        return false;
    }
    QUrl url = QUrl::fromLocalFile(file);
    if (!chapter.isEmpty())
        url.setFragment(chapter);
    if (QDesktopServices::openUrl(url))
        return true;
    if (why)
        *why = QStringLiteral("No program opens %1").arg(QDir::toNativeSeparators(file));
    return false;
}

QString ChapterOf(const QString& name)
{
    static const std::pair<const char*, const char*> kChapters[] = {
        {"frmVQ_Main", "online"},          {"frmVQ_SetPort", "line"},       {"frmVQ_FindRecorders", "finding"},
        {"frmVQ_SetMC", "devices"},
        {"frmVQ_Set_DSave", "saving"},     {"frmVQ_Mon_", "monitors"},      {"frmVQ_Parameter", "parameters"},
        {"frmBackups", "parameters"},      {"frmVQ_P_", "reference"},       {"frmVQ_DateReserve", "clock"},
        {"frmVQ_View", "viewer"},          {"frmVQ_About", "start"},        {"frmVQ_Publish", "publishing"},
        {"frmVQ_Overview", "overview"},
    };
    for (const auto& [prefix, chapter] : kChapters)
        if (name.startsWith(QLatin1String(prefix)))
            return QString::fromLatin1(chapter);
    return QStringLiteral("contents");
}

bool HelpKey::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_F1) {
        const auto* w = qobject_cast<QWidget*>(watched);
        if (w && w->window() == QApplication::activeWindow()) {
            OpenManual(m_programDir, ChapterOf(w->window()->objectName()));
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}
