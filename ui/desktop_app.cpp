// Start-up and shut-down of the desktop program.
#include "ui/desktop_app.h"

#include "ui/main_window.h"

#include <QMessageBox>
#include <QPixmap>

#include <cstdio>
#include <cstdlib>

const QString geometry_bitmap_resource = QStringLiteral(":/orvanta/geometry.bmp");

int desktop_run(QApplication &app, const QString &bitmap_path,
                const std::function<void(calculator_dialog &)> &started, const QString &design) {
    // The resources live in a static library; they are registered explicitly.
    Q_INIT_RESOURCE(orvanta);
    QPixmap bitmap(bitmap_path);
    if (bitmap.isNull()) {
        QMessageBox::critical(nullptr, QStringLiteral("Error"),
                              QStringLiteral("Could not load resource"));
        return 1;
    }
    main_window window(bitmap);
    window.show();
    if (!design.isEmpty()) window.open_design_interactively(design);
    if (started) started(window.calculator());
    // The process ends while the window still exists: a worker still calculating holds
    // its address and may be waiting in a request to it.
    desktop_exit(app.exec() == 0 ? 0 : 1);
}

// A worker still calculating holds the window's address and may wait in a request to
// it; the process ends here, before any destructor could pull either away from it.
void desktop_exit(int code) {
    std::fflush(nullptr);
    std::_Exit(code);
}
