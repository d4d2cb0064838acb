#pragma once
// The command line of vq800 and vq800-logger, parsed before any application
// exists (a wrong option, --help and --version need no display), and the
// program folder it names. vq800-logger takes the same options but --open
// and Qt's window options, and runs without windows whether or not --headless
// is given.
#include "app/Headless.h"

#include <QCommandLineParser>
#include <QString>

class StartUp {
public:
    // Names the program (vq800 or vq800-logger) and readies the process.
    explicit StartUp(bool windows);

    // False: the error has been said on stderr; the exit code is 2.
    bool parse(int argc, char** argv);
    // The program is to open its windows.
    bool wantsWindows() const;
    // Once the application exists: --version, --help and the program folder.
    // An exit code when the program ends here, -1 to go on.
    int settle();

    bool headless() const { return m_parser.isSet(m_headless) || m_parser.isSet(m_find) || !m_windows; }
    bool openAtStart() const { return m_windows && m_parser.isSet(m_open); }
    // The plant overview alone, without a port of its own.
    bool overviewOnly() const { return m_windows && m_parser.isSet(m_overview); }
    const QString& programDir() const { return m_programDir; }
    HeadlessOptions headlessOptions() const;

private:
    static void prepareProcess(bool windows);

    const bool m_windows;
    QCommandLineParser m_parser;
    QCommandLineOption m_help, m_version, m_dir, m_open, m_overview, m_headless, m_device, m_upload, m_download,
        m_lineSettings, m_reopen, m_find, m_write, m_bauds, m_parities, m_addresses, m_slowAnswers;
    QString m_programDir;
};

// --upload or --download: the one transfer; otherwise logging until stopped.
int RunHeadless(const HeadlessOptions& options);
