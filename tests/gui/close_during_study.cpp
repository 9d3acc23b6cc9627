// Closes the program's window while a sweep runs on the worker and ends through the
// program's own exit path: CTest expects exit code 0 within its time limit. A run that
// never reaches the running sweep exits with 2.
#include "ui/desktop_app.h"
#include "ui/main_window.h"
#include "ui/sweep_window.h"

#include "tests/support/own_settings.h"

#include <QTimer>

int main(int argc, char **argv) {
    QApplication app(argc, argv);
    use_own_settings();
    QTimer::singleShot(20000, [] { desktop_exit(2); });
    desktop_exit(desktop_run(app, geometry_bitmap_resource, [](calculator_dialog &calculator) {
        auto *window = qobject_cast<main_window *>(calculator.window());
        if (!window) desktop_exit(2);
        sweep_window *sweep = window->sweeper();
        sweep->show();
        sweep->step_field()->setText(QStringLiteral("0.001"));
        sweep->run_button()->click();
        auto *poll = new QTimer(window);
        QObject::connect(poll, &QTimer::timeout, window, [window, &calculator] {
            if (calculator.study_running() && calculator.windowTitle().contains(" of "))
                window->close();
        });
        poll->start(50);
    }));
}
