// Entry point of orvanta, the desktop calculator.
#include "desktop_app.h"

int main(int argc, char **argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Orvanta"));
    QApplication::setDesktopFileName(QStringLiteral("orvanta"));
    desktop_exit(desktop_run(app, geometry_bitmap_resource));
}
