#include "tests/manager/gui_test_support.h"

#include <QApplication>
#include <QDir>
#include <QWidget>

// Fontconfig, which Qt loads for the offscreen platform, keeps caches it never frees.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig\n";
}

namespace trevalon::testing {

QApplication& GuiApplication() {
    static int argc = 1;
    static char name[] = "trevalon_gui_tests";
    static char* argv[] = {name, nullptr};
    static QApplication* application = [] {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        return new QApplication(argc, argv);
    }();
    return *application;
}

void SaveScreenshot(QWidget& window, const QString& name) {
    const QByteArray folder = qgetenv("TREVALON_SCREENSHOT_DIR");
    if (!folder.isEmpty()) {
        QCoreApplication::processEvents();
        window.grab().save(QDir(QString::fromLocal8Bit(folder)).filePath(name + ".png"));
    }
}

}  // namespace trevalon::testing
