// Entry point of orvanta, the desktop calculator: `orvanta [FILE]` opens a design file.
#include "ui/desktop_app.h"

#include <QCommandLineParser>

int main(int argc, char **argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Orvanta"));
    QApplication::setOrganizationName(QStringLiteral("Orvanta"));
    QApplication::setApplicationVersion(QStringLiteral(ORVANTA_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("orvanta"));
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Characteristic impedance and effective permittivity of two-strip and microstrip "
        "lines."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("FILE"),
                                 QStringLiteral("A design file (.orvanta) to open."));
    parser.process(app);
    QStringList files = parser.positionalArguments();
    desktop_exit(desktop_run(app, geometry_bitmap_resource, {},
                             files.isEmpty() ? QString() : files.first()));
}
