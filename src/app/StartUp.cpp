#include "app/StartUp.h"

#include "app/ProgramFolder.h"
#include "Version.h"

#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>
#include <csignal>
#include <cstdio>

namespace {

QCommandLineOption hidden(const QString& name, const QString& value = QString())
{
    QCommandLineOption o(name, QString(), value);
    o.setFlags(QCommandLineOption::HiddenFromHelp);
    return o;
}

} // namespace

StartUp::StartUp(bool windows)
    : m_windows((prepareProcess(windows), windows))
    , m_help(m_parser.addHelpOption())
    , m_version(m_parser.addVersionOption())
    , m_dir(QStringLiteral("dir"),
            QStringLiteral("Program folder holding Comm.CFG and CFG/ (default: the per-user data folder for an installed "
                           "copy, else the program's folder)."),
            QStringLiteral("DIR"))
    , m_open(QStringLiteral("open"), QStringLiteral("Open the port right after start-up and start polling."))
    , m_overview(QStringLiteral("overview"),
                 QStringLiteral("Open only the plant overview: every line publishing to the broker, no port."))
    , m_headless(QStringLiteral("headless"),
                 QStringLiteral("Run without windows: poll and log until stopped, or transfer parameters."))
    , m_device(QStringLiteral("device"), QStringLiteral("Device number for --upload or --download."), QStringLiteral("N"))
    , m_upload(QStringLiteral("upload"),
               windows ? QStringLiteral("With --headless: read the device's parameters into FILE.")
                       : QStringLiteral("Read the device's parameters into FILE."),
               QStringLiteral("FILE"))
    , m_download(QStringLiteral("download"),
                 windows ? QStringLiteral("With --headless: send the parameters of FILE to the device.")
                         : QStringLiteral("Send the parameters of FILE to the device."),
                 QStringLiteral("FILE"))
    , m_lineSettings(QStringLiteral("with-line-settings"),
                     QStringLiteral("With --download: send the file's addresses and line settings too (the device "
                                    "keeps its own otherwise)."))
    // For tests: how often headless logging tries to reopen a lost port.
    , m_reopen(hidden(QStringLiteral("reopen-ms"), QStringLiteral("MS")))
    , m_find(QStringLiteral("find"),
             QStringLiteral("Search the port of Comm.CFG for recorders at every baud rate and parity, print each one "
                            "found and exit (0 when one answered, else 1)."))
    , m_write(QStringLiteral("write"),
              QStringLiteral("With --find: write the setting found to Comm.CFG and enable the recorders found in "
                             "SetEnv.INI."))
    , m_bauds(QStringLiteral("bauds"), QStringLiteral("With --find: the baud rates to try (default 9600,19200,38400,57600)."),
              QStringLiteral("LIST"))
    , m_parities(QStringLiteral("parities"), QStringLiteral("With --find: the parities to try (default N,E,O)."),
                 QStringLiteral("LIST"))
    , m_addresses(QStringLiteral("addresses"),
                  QStringLiteral("With --find: the addresses to ask, FIRST-LAST within 1-247 (default 1-99)."),
                  QStringLiteral("RANGE"))
    , m_slowAnswers(QStringLiteral("slow-answers"),
                    QStringLiteral("With --find: wait 1 s plus the wire time for each answer instead of 100 ms "
                                   "(recorders with a long response time)."))
{
    m_parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    m_parser.setApplicationDescription(
        windows ? QStringLiteral("Monitoring, data logging and parameter setup for VQ800 recorders.")
                : QStringLiteral("Data logging and scripted parameter transfers for VQ800 recorders, without windows."));
    m_parser.addOption(m_dir);
    if (windows) {
        m_parser.addOption(m_open);
        m_parser.addOption(m_overview);
        m_parser.addOption(m_headless);
    } else {
        // Taken as vq800 takes it, so that a command line moves over unchanged.
        m_headless.setFlags(QCommandLineOption::HiddenFromHelp);
        m_parser.addOption(m_headless);
    }
    for (const QCommandLineOption& o :
         {m_device, m_upload, m_download, m_lineSettings, m_reopen, m_find, m_write, m_bauds, m_parities, m_addresses, m_slowAnswers})
        m_parser.addOption(o);
    // Qt's own window options (-platform, -style, ...) are QApplication's to take.
    if (windows)
        for (const char* name : {"platform", "style", "stylesheet", "display", "qwindowgeometry", "qwindowtitle"})
            m_parser.addOption(hidden(QString::fromLatin1(name), QStringLiteral("VALUE")));
}

void StartUp::prepareProcess(bool windows)
{
#ifdef SIGXFSZ
    // A data file at the file size limit is a failed save to report, not the end of the program.
    std::signal(SIGXFSZ, SIG_IGN);
#endif
    QCoreApplication::setApplicationName(windows ? QStringLiteral("vq800") : QStringLiteral("vq800-logger"));
    QCoreApplication::setApplicationVersion(QStringLiteral(VQ800_VERSION));
}

bool StartUp::parse(int argc, char** argv)
{
    QStringList args;
    for (int i = 0; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    if (m_parser.parse(args))
        return true;
    const QByteArray name = QCoreApplication::applicationName().toLocal8Bit();
    std::fprintf(stderr, "%s: %s\nTry '%s --help'.\n", name.constData(), qPrintable(m_parser.errorText()),
                 name.constData());
    return false;
}

bool StartUp::wantsWindows() const
{
    return m_windows && !m_parser.isSet(m_help) && !m_parser.isSet(QStringLiteral("help-all"))
        && !m_parser.isSet(m_version) && !m_parser.isSet(m_headless) && !m_parser.isSet(m_find);
}

int StartUp::settle()
{
    if (m_parser.isSet(m_version))
        m_parser.showVersion();
    const ProgramFolder folder = ChooseProgramFolder(m_parser.value(m_dir), QCoreApplication::applicationDirPath(),
                                                     QDir(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)).filePath(QStringLiteral("vq800")));
    m_programDir = folder.path;
    if (m_parser.isSet(m_help) || m_parser.isSet(QStringLiteral("help-all"))) {
        std::printf("%s\nProgram folder: %s (%s)\n", qPrintable(m_parser.helpText()), qPrintable(folder.path),
                    qPrintable(folder.source));
        return 0;
    }
    if (!QDir().mkpath(folder.path)) {
        std::fprintf(stderr, "%s: cannot create the program folder %s; choose another with --dir\n",
                     qPrintable(QCoreApplication::applicationName()), qPrintable(folder.path));
        return 2;
    }
    return -1;
}

HeadlessOptions StartUp::headlessOptions() const
{
    HeadlessOptions o;
    o.programDir = m_programDir;
    o.device = m_parser.value(m_device).toInt();
    o.uploadFile = m_parser.value(m_upload);
    o.downloadFile = m_parser.value(m_download);
    o.withLineSettings = m_parser.isSet(m_lineSettings);
    o.reopenMs = m_parser.value(m_reopen).toInt();
    o.find = m_parser.isSet(m_find);
    o.write = m_parser.isSet(m_write);
    o.bauds = m_parser.value(m_bauds);
    o.parities = m_parser.value(m_parities);
    o.addresses = m_parser.value(m_addresses);
    o.slowAnswers = m_parser.isSet(m_slowAnswers);
    return o;
}

int RunHeadless(const HeadlessOptions& options)
{
    if (options.find)
        return RunHeadlessFind(options);
    if (!options.uploadFile.isEmpty() || !options.downloadFile.isEmpty())
        return RunHeadlessTransfer(options);
    return RunHeadlessLogging(options);
}
