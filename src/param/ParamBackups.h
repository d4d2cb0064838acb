#pragma once
// Backup/ of the program folder: what a recorder held just before a
// download, as a parameter file, so that it can be put back (Restore
// Previous Set). Named by device number, description and time, for example
// Backup/03_Kiln-line-2_20261206-101500.CFG; at most kKeep per device.
#include "link/PollingEngine.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <functional>

struct LinkState;

class ParamBackups : public BackupKeeper {
public:
    static constexpr int kKeep = 20;

    ParamBackups(const QString& programDir, const LinkState& link);

    bool keep(int device, const RegisterSet& set, QString* why) override;
    // The file the last backup went to.
    QString lastPath() const { return m_last; }
    // The backups of a device, newest first.
    QStringList of(int device) const;
    QString folder() const;

    // "03_Kiln-line-2_20261206-101500.CFG".
    static QString FileName(int device, const QString& description, const QDateTime& at);

    std::function<QDateTime()> now = [] { return QDateTime::currentDateTime(); };

private:
    QString m_programDir;
    const LinkState& m_link;
    QString m_last;
};
