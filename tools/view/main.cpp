// vq800-view: plots VQ800 data files (*.VQD); with --png it draws them into
// a picture without any display.
#include "view/PlotPainter.h"
#include "ui/Manual.h"
#include "view/frmVQ_View.h"
#include "Version.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QFileInfo>
#include <QMessageBox>
#include <QRegularExpression>
#include <QTimer>
#include <cstdio>
#include <memory>

namespace {

void complain(const QString& text)
{
    std::fprintf(stderr, "vq800-view: %s\n", qPrintable(text));
}

int renderPng(const QString& out, const QString& sizeText, const QString& params, const QStringList& files)
{
    const QRegularExpressionMatch m = QRegularExpression(QStringLiteral("^(\\d{1,5})x(\\d{1,5})$")).match(sizeText);
    const QSize size = m.hasMatch() ? QSize(m.captured(1).toInt(), m.captured(2).toInt()) : QSize();
    if (size.width() < 200 || size.height() < 150 || size.width() > 10000 || size.height() > 10000) {
        complain(QStringLiteral("--size wants WIDTHxHEIGHT from 200x150 to 10000x10000, not \"%1\"").arg(sizeText));
        return 2;
    }
    PlotScene scene;
    QString why;
    if (!params.isEmpty() && !ReadChannelLooks(params, scene.looks, &why)) {
        complain(QStringLiteral("%1: %2").arg(params, why));
        return 2;
    }
    const Timeline tl = LoadTimeline(files);
    for (const QString& problem : tl.problems)
        complain(problem);
    if (tl.isEmpty()) {
        complain(QStringLiteral("no records to draw"));
        return 1;
    }
    scene.timeline = &tl;
    scene.range = FitRange(tl, scene.shown);
    scene.title = FilesTitle(tl.files);
    if (!RenderPlot(scene, size).save(out, "PNG")) {
        complain(QStringLiteral("cannot write %1").arg(out));
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    // A picture or a text needs no display (a build machine, an SSH session).
    bool png = false, text = false;
    for (int i = 1; i < argc; ++i) {
        const QByteArray a(argv[i]);
        png = png || a == "--png" || a.startsWith("--png=");
        text = text || a == "--help" || a == "-h" || a == "--help-all" || a == "--version" || a == "-v";
    }
    if (png && !text)
        qputenv("QT_QPA_PLATFORM", "offscreen");
    std::unique_ptr<QCoreApplication> application(text  ? new QCoreApplication(argc, argv)
                                                  : png ? new QGuiApplication(argc, argv)
                                                        : new QApplication(argc, argv));
    QCoreApplication::setApplicationName(QStringLiteral("vq800-view"));
    QCoreApplication::setApplicationVersion(QStringLiteral(VQ800_VERSION));

    QCommandLineParser cli;
    cli.setApplicationDescription(QStringLiteral("Plots VQ800 data files (*.VQD). The files given together form "
                                                 "one timeline, such as a recorder's day files."));
    cli.addHelpOption();
    cli.addVersionOption();
    const QCommandLineOption pngOption(QStringLiteral("png"),
                                       QStringLiteral("Draw the whole timeline into the picture OUT.png and exit, "
                                                      "without a display."),
                                       QStringLiteral("OUT.png"));
    cli.addOption(pngOption);
    const QCommandLineOption sizeOption(QStringLiteral("size"), QStringLiteral("Size of the --png picture (default 1200x700)."),
                                        QStringLiteral("WxH"), QStringLiteral("1200x700"));
    cli.addOption(sizeOption);
    const QCommandLineOption paramsOption(QStringLiteral("params"),
                                          QStringLiteral("Channel names, units, decimals and colours from a parameter file."),
                                          QStringLiteral("FILE.CFG"));
    cli.addOption(paramsOption);
    cli.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("Data files to open, or a folder to choose them from."),
                              QStringLiteral("[FILE...|FOLDER]"));
    cli.process(*application);
    const QStringList files = cli.positionalArguments();

    if (cli.isSet(pngOption)) {
        if (files.isEmpty()) {
            complain(QStringLiteral("--png needs at least one data file"));
            return 2;
        }
        return renderPng(cli.value(pngOption), cli.value(sizeOption), cli.value(paramsOption), files);
    }

    QApplication::setStyle(QStringLiteral("Fusion"));
    // F1 opens the manual's chapter of the viewer (the manual ships beside the programs).
    application->installEventFilter(new HelpKey(QCoreApplication::applicationDirPath(), application.get()));
    frmVQ_View w;
    w.show();
    // Read inside the event loop, so that closing the window meanwhile quits.
    if (files.size() == 1 && QFileInfo(files.first()).isDir())
        QTimer::singleShot(0, &w, [&w, folder = files.first()] { w.openFromFolder(folder); });
    else if (!files.isEmpty())
        QTimer::singleShot(0, &w, [&w, files] { w.openFiles(files); });
    QString why;
    if (cli.isSet(paramsOption) && !w.useParams(cli.value(paramsOption), &why))
        QMessageBox::warning(&w, QStringLiteral("Use parameter set"),
                             QStringLiteral("%1 cannot be used:\n%2").arg(cli.value(paramsOption), why));
    return application->exec();
}
