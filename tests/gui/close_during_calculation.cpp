// Closes the main window while a calculation runs ("calculating": the worker is
// solving a fine mesh) or while its plot window is open ("plot-open"), and ends through
// the program's own exit path: CTest expects exit code 0 within its time limit. A run
// that never reaches the wanted state exits with 2.
#include "ui/calculator_dialog.h"
#include "ui/desktop_app.h"
#include "ui/plot_window.h"

#include "tests/support/own_settings.h"
#include <QComboBox>

#include <QTimer>

#include <cstring>

namespace {

bool plot_is_open() {
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (qobject_cast<plot_window *>(w) && w->isVisible()) return true;
    }
    return false;
}

} // namespace

int main(int argc, char **argv) {
    QApplication app(argc, argv);
    use_own_settings();
    bool plot_mode = argc > 1 && std::strcmp(argv[1], "plot-open") == 0;
    QTimer::singleShot(20000, [] { desktop_exit(2); });
    desktop_exit(desktop_run(app, geometry_bitmap_resource, [plot_mode](calculator_dialog &window) {
        if (!plot_mode) {
            window.plot_box()->setChecked(false);
            qobject_cast<QComboBox *>(window.field(input_field::mesh_step))
                ->setEditText(QStringLiteral("0.02"));
        }
        window.calculate_button()->click();
        auto *poll = new QTimer(&window);
        QObject::connect(poll, &QTimer::timeout, &window, [&window, plot_mode] {
            bool ready = plot_mode ? plot_is_open()
                                   : window.result_list()->count() >= 5 &&
                                         !window.calculate_button()->isEnabled();
            if (ready) window.close();
        });
        poll->start(50);
    }));
}
