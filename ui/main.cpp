// Entry point of orvanta, the desktop calculator: `orvanta [FILE]` opens a design file.
// The options are read before any window exists, so that --help and --version answer
// without a display, and a machine without one is told where the calculator runs there.
#include "ui/desktop_app.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

void name_the_program() {
    QCoreApplication::setApplicationName(QStringLiteral("Orvanta"));
    QCoreApplication::setOrganizationName(QStringLiteral("Orvanta"));
    QCoreApplication::setApplicationVersion(QStringLiteral(ORVANTA_VERSION));
}

// The design file to open, or empty; --help and --version end the process here.
QString design_argument(int argc, char **argv) {
    QCoreApplication reader(argc, argv);
    name_the_program();
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Characteristic impedance and effective permittivity of transmission lines. Without "
        "a display, the calculator is orvanta-cli."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("FILE"),
                                 QStringLiteral("A design file (.orvanta) to open."));
    parser.process(reader);
    QStringList files = parser.positionalArguments();
    return files.isEmpty() ? QString() : files.first();
}

// Whether a window can be shown: a display, or a platform chosen explicitly (the tests'
// offscreen one).
bool has_display() {
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        const char *value = std::getenv(name);
        if (value && *value) return true;
    }
    return false;
}

} // namespace

int main(int argc, char **argv) {
    QString design = design_argument(argc, argv);
    if (!has_display()) {
        std::fputs("orvanta: no display to show the window on (DISPLAY is not set); without one "
                   "the calculator is orvanta-cli (see orvanta-cli --help)\n",
                   stderr);
        return 1;
    }
    QApplication app(argc, argv);
    name_the_program();
    QApplication::setDesktopFileName(QStringLiteral("orvanta"));
    desktop_exit(desktop_run(app, geometry_bitmap_resource, {}, design));
}
