#include "sim/PtyHost.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

PtyHost::~PtyHost()
{
    if (!m_link.isEmpty()) {
        // Only our own link: someone may have replaced it meanwhile.
        if (QFileInfo(m_link).symLinkTarget() == m_slavePath)
            QFile::remove(m_link);
    }
    if (m_slave >= 0)
        ::close(m_slave);
    if (m_master >= 0)
        ::close(m_master);
}

bool PtyHost::open(QString* error)
{
    const auto fail = [&](const char* what) {
        if (error)
            *error = QStringLiteral("%1: %2").arg(what, QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    };
    m_master = posix_openpt(O_RDWR | O_NOCTTY);
    if (m_master < 0)
        return fail("posix_openpt");
    if (grantpt(m_master) != 0 || unlockpt(m_master) != 0)
        return fail("grantpt/unlockpt");
    char name[128];
    if (ptsname_r(m_master, name, sizeof name) != 0)
        return fail("ptsname");
    m_slavePath = QString::fromLocal8Bit(name);
    m_slave = ::open(name, O_RDWR | O_NOCTTY);
    if (m_slave < 0)
        return fail("open slave");
    termios t{};
    if (tcgetattr(m_slave, &t) != 0)
        return fail("tcgetattr");
    cfmakeraw(&t);
    if (tcsetattr(m_slave, TCSANOW, &t) != 0)
        return fail("tcsetattr");
    const int flags = fcntl(m_master, F_GETFL);
    fcntl(m_master, F_SETFL, flags | O_NONBLOCK);
    return true;
}

bool PtyHost::makeLink(const QString& path, QString* error)
{
    const QFileInfo info(path);
    if (info.isSymLink()) {
        QFile::remove(path);
    } else if (info.exists()) {
        if (error)
            *error = QStringLiteral("%1 exists and is not a symlink").arg(path);
        return false;
    }
    if (::symlink(m_slavePath.toLocal8Bit().constData(), path.toLocal8Bit().constData()) != 0) {
        if (error)
            *error = QStringLiteral("symlink %1: %2").arg(path, QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    m_link = path;
    return true;
}

int PtyHost::lineBaud() const
{
    termios t{};
    if (m_slave < 0 || tcgetattr(m_slave, &t) != 0)
        return 0;
    static const struct {
        speed_t code;
        int baud;
    } kSpeeds[] = {{B1200, 1200},     {B2400, 2400},     {B4800, 4800},     {B9600, 9600},
                   {B19200, 19200},   {B38400, 38400},   {B57600, 57600},   {B115200, 115200},
                   {B230400, 230400}, {B460800, 460800}, {B921600, 921600}};
    const speed_t code = cfgetospeed(&t);
    for (const auto& s : kSpeeds)
        if (s.code == code)
            return s.baud;
    return 0;
}
