#pragma once
// The master side of a pseudo-terminal in raw mode. The slave side stays
// open for the host's whole life, or the master would read EIO whenever no
// program has the line open.
#include <QString>

class PtyHost {
public:
    PtyHost() = default;
    ~PtyHost();
    PtyHost(const PtyHost&) = delete;
    PtyHost& operator=(const PtyHost&) = delete;

    bool open(QString* error);
    // A symlink at path to the slave; an existing symlink is replaced, any
    // other file is left alone (false). Removed again by the destructor.
    bool makeLink(const QString& path, QString* error);
    QString slavePath() const { return m_slavePath; }
    int masterFd() const { return m_master; }
    // The speed the program on the line has set (baud), 0 when unknown.
    int lineBaud() const;

private:
    int m_master = -1;
    int m_slave = -1;
    QString m_slavePath;
    QString m_link;
};
