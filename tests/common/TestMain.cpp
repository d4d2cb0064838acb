// Test programs run their windows offscreen, whoever starts them (ctest, a
// developer, or gtest_discover_tests at build time without ctest's environment),
// on one screen the size of a laptop's: 1366 x 768.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <gtest/gtest.h>

#include <unistd.h>

int main(int argc, char** argv)
{
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    QString screen;
    if (platform.isEmpty() || platform == "offscreen") {
        screen = QDir::temp().filePath(QStringLiteral("vq800-test-screen-%1.json").arg(::getpid()));
        QFile f(screen);
        if (f.open(QIODevice::WriteOnly))
            f.write(R"({"screens": [{"name": "laptop", "x": 0, "y": 0, "width": 1366, "height": 768,)"
                    R"( "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})");
        qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + screen.toLocal8Bit());
    }
    QApplication app(argc, argv);
    // Remembered folders and settings go to a test location, not the user's.
    QStandardPaths::setTestModeEnabled(true);
    ::testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    if (!screen.isEmpty()) // programs the tests start read it too
        QFile::remove(screen);
    return result;
}
