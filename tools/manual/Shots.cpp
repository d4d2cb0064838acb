// Takes the operator manual's screenshots from the real program: simulated
// recorders on a pseudo-terminal, a demo program folder, every window at its
// default size. Run by the `manual` build target, never by the tests.
//
//   vq800-manual-shots OUT_DIR SIM_PROGRAM
#include "app/frmVQ_Main.h"
#include "param/PageNavigation.h"
#include "param/frmVQ_Parameter.h"
#include "view/frmVQ_View.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QAbstractButton>
#include <QMessageBox>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTextStream>
#include <QThread>
#include <QTimer>

#include <cstdio>
#include <functional>

namespace {

QString g_out;

void say(const QString& text)
{
    QTextStream(stderr) << text << '\n';
}

void write(const QString& path, const QByteArray& text)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(text) != text.size())
        say(QStringLiteral("cannot write %1").arg(path));
}

// Runs the event loop for `ms`, or until `done` holds.
bool runFor(int ms, const std::function<bool()>& done = {})
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) {
        if (done && done())
            return true;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
    return !done;
}

void save(QWidget* w, const QString& name)
{
    const QString path = QDir(g_out).filePath(name);
    if (w && w->grab().save(path))
        say(QStringLiteral("wrote %1").arg(path));
    else
        say(QStringLiteral("no window for %1").arg(name));
}

// Triggers a menu command that opens a modal window, grabs the window after
// `ms`, lets `inside` act on it, and closes it.
void shootModal(QAction* action, const QString& name, int ms, const std::function<void(QWidget*)>& inside = {})
{
    QTimer::singleShot(ms, [=] {
        QWidget* w = QApplication::activeModalWidget();
        save(w, name);
        if (w && inside)
            inside(w);
        if (w)
            w->close();
    });
    action->trigger();
}

} // namespace

int main(int argc, char** argv)
{
    // The windows as a laptop's screen shows them: 1366 x 768.
    QTemporaryDir screenDir;
    const QString screen = screenDir.filePath(QStringLiteral("screen.json"));
    write(screen, R"({"screens": [{"name": "laptop", "x": 0, "y": 0, "width": 1366, "height": 768,)"
                  R"( "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})");
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    if (platform.isEmpty() || platform == "offscreen")
        qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + screen.toLocal8Bit());
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 3) {
        say(QStringLiteral("usage: vq800-manual-shots OUT_DIR SIM_PROGRAM"));
        return 2;
    }
    g_out = args[1];
    QDir().mkpath(g_out);

    QTemporaryDir dir;
    QDir(dir.path()).mkpath(QStringLiteral("CFG"));
    QDir(dir.path()).mkpath(QStringLiteral("data"));
    const QString line = dir.filePath(QStringLiteral("line"));
    write(dir.filePath(QStringLiteral("CFG/SetEnv.INI")), "O\tBoiler house\r\nO\tKiln line 2\r\nO\tCold store\r\n");
    write(dir.filePath(QStringLiteral("CFG/SaveData.INI")),
          "Yes\r\n1\r\nsec\r\n" + dir.filePath(QStringLiteral("data")).toUtf8() + "\r\nPLANT\r\n0\r\n0\r\n0\r\n");
    write(dir.filePath(QStringLiteral("Comm.CFG")), line.toUtf8() + "\r\n38400\r\nN\r\n8\r\n1\r\nModbus RTU\r\n");

    QProcess sim;
    sim.start(args[2], {QStringLiteral("--devices"), QStringLiteral("1-3"), QStringLiteral("--model"),
                        QStringLiteral("2=20"), QStringLiteral("--baud"), QStringLiteral("38400"),
                        QStringLiteral("--link"), line});
    if (!runFor(5000, [&] { return QFileInfo::exists(line); })) {
        say(QStringLiteral("the simulator did not start"));
        return 1;
    }

    int failed = 0;
    {
        frmVQ_Main w(dir.path());
        w.show();
        auto action = [&](const char* name) { return w.findChild<QAction*>(QLatin1String(name)); };
        save(&w, QStringLiteral("main-closed.png"));
        action("mOnlinePortOpen")->trigger();
        if (!runFor(20000, [&] { return w.link().gReqCode == 11 && w.link().gCommonReadDone; })) {
            say(QStringLiteral("the recorders were not read"));
            failed = 1;
        }
        runFor(3000);
        save(&w, QStringLiteral("main.png"));
        // The monitors show device 2, a recorder of twelve channels.
        w.selectDeviceRow(2);
        if (!runFor(20000, [&] { return w.link().gSelMC_No == 2 && w.link().gReqCode == 11 && w.link().gCommonReadDone; }))
            failed = 1;

        shootModal(action("mOnlineSingleLine"), QStringLiteral("monitor-line.png"), 8000);
        shootModal(action("mOnlineSingleBar"), QStringLiteral("monitor-bar.png"), 2000);
        shootModal(action("mOnlineSingleText"), QStringLiteral("monitor-text.png"), 2000);
        shootModal(action("mOnlineMulti"), QStringLiteral("monitor-multi.png"), 3000);
        shootModal(action("mOnlineMultiPV"), QStringLiteral("monitor-multipv.png"), 2000);
        shootModal(action("mPMeterList"), QStringLiteral("parameters.png"), 1500, [](QWidget* editor) {
            auto* e = qobject_cast<frmVQ_Parameter*>(editor);
            if (!e)
                return;
            QTimer::singleShot(500, [] {
                QWidget* page = QApplication::activeModalWidget();
                save(page, QStringLiteral("parameters-channel.png"));
                if (page)
                    page->close();
            });
            e->openPage(PageForCell(ParamGrid::Channel, 3, 1));
            // The download's confirmation, with a changed name to list.
            const QString name = e->tables().sprdP_CH.text(3, 1);
            e->tables().sprdP_CH.setText(3, 1, QStringLiteral("BOILER 1"));
            const auto unchanged = qScopeGuard([e, name] { e->tables().sprdP_CH.setText(3, 1, name); });
            QTimer::singleShot(500, [] {
                QWidget* box = QApplication::activeModalWidget();
                save(box, QStringLiteral("download-confirm.png"));
                if (auto* m = qobject_cast<QMessageBox*>(box))
                    m->button(QMessageBox::No)->click();
            });
            e->download();
        });
        shootModal(action("mPMeterSysDate"), QStringLiteral("clock.png"), 1500);
        shootModal(action("mSetDSave"), QStringLiteral("data-save.png"), 500);
        shootModal(action("mHelpAbout"), QStringLiteral("about.png"), 500);
        runFor(2000);
        save(w.findChild<QWidget*>(QStringLiteral("fraComm")), QStringLiteral("frame-log.png"));
        action("mOnlinePortOpen")->trigger(); // close the port, then its setup
        runFor(500);
        shootModal(action("mSetPort"), QStringLiteral("port-setup.png"), 500);
        shootModal(action("mSetMC"), QStringLiteral("device-setup.png"), 500);
        shootModal(action("mSetPublish"), QStringLiteral("publishing.png"), 500);
        shootModal(action("mSetFind"), QStringLiteral("find-recorders.png"), 500);
    }
    sim.terminate();
    sim.waitForFinished(3000);

    // The viewer on what the run logged.
    frmVQ_View viewer;
    viewer.resize(1100, 640);
    viewer.show();
    if (!viewer.openFiles({dir.filePath(QStringLiteral("data/PLANT_02.VQD"))})) // twelve channels
        failed = 1;
    runFor(500);
    save(&viewer, QStringLiteral("viewer.png"));
    return failed;
}
