#include "core/SafeFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool failed(QString* why, const QString& text)
{
    if (why)
        *why = text;
    return false;
}

QString osError(int err)
{
    return QString::fromLocal8Bit(std::strerror(err));
}

// Runs a sync on a descriptor opened read-only.
bool syncPath(const QString& path, int flags, bool dataOnly, QString* why)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | flags);
    if (fd < 0)
        return failed(why, osError(errno));
    const int rc = dataOnly ? ::fdatasync(fd) : ::fsync(fd);
    const int err = errno;
    ::close(fd);
    // A file system that cannot sync a folder (EINVAL) has nothing to lose by it.
    if (rc != 0 && !(err == EINVAL && (flags & O_DIRECTORY)))
        return failed(why, osError(err));
    return true;
}

QString notAFile(mode_t mode)
{
    const char* kind = S_ISDIR(mode) ? "a folder"
        : S_ISFIFO(mode)             ? "a FIFO"
        : S_ISCHR(mode) || S_ISBLK(mode) ? "a device"
        : S_ISSOCK(mode)             ? "a socket"
                                     : "something else";
    return QStringLiteral("it is %1, not a file").arg(QLatin1String(kind));
}

} // namespace

bool CommitSafely(QSaveFile& file)
{
    if (!file.commit())
        return false;
    SyncFolder(QFileInfo(file.fileName()).absolutePath());
    return true;
}

bool SyncFile(const QString& path, QString* why)
{
    return syncPath(path, 0, true, why);
}

bool SyncFolder(const QString& folder, QString* why)
{
    return syncPath(folder, O_DIRECTORY, false, why);
}

bool OpenRegularFile(QFile& file, const QString& path, QString* why)
{
    // Devices are not even opened (a serial port would see its lines move);
    // the open is non-blocking, so that a FIFO put in place meanwhile cannot hold it.
    const QByteArray name = QFile::encodeName(path);
    struct stat st {};
    if (::stat(name.constData(), &st) != 0)
        return failed(why, osError(errno));
    if (!S_ISREG(st.st_mode))
        return failed(why, notAFile(st.st_mode));
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return failed(why, osError(errno));
    if (::fstat(fd, &st) != 0) {
        const int err = errno;
        ::close(fd);
        return failed(why, osError(err));
    }
    if (!S_ISREG(st.st_mode)) {
        ::close(fd);
        return failed(why, notAFile(st.st_mode));
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    file.setFileName(path);
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return failed(why, file.errorString());
    }
    return true;
}

QStringList RemoveLeftSaves(const QString& folder, const QStringList& names)
{
    static const QRegularExpression word(QStringLiteral("^([a-z]{6}|[A-Z]{6}|[A-Z][a-z]{5})$"));
    QStringList removed;
    const QDir dir(folder);
    QStringList patterns;
    for (const QString& n : names)
        patterns << n + QStringLiteral(".??????");
    for (const QString& name : dir.entryList(patterns, QDir::Files | QDir::Hidden | QDir::System)) {
        const QString suffix = name.right(6);
        bool letters = true;
        for (QChar c : suffix)
            letters = letters && c.isLetter() && c.unicode() < 128;
        if (!letters || word.match(suffix).hasMatch())
            continue;
        if (QFile::remove(dir.filePath(name)))
            removed << name;
    }
    return removed;
}
