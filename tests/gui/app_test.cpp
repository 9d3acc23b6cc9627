// The desktop program's window around the calculator, under QTest on the offscreen
// platform: the menus and their shortcuts, the accurate options, the studies on the
// worker (synthesis into its field, the sweep's chart and its gaps, convergence, cancel),
// design files (round trip, bad files, unsaved changes), copy and export, units,
// laminates, the refused field and mnemonics during a run.
#include "tests/support/own_settings.h"
#include "ui/about_box.h"
#include "ui/accurate_options.h"
#include "ui/calculator_dialog.h"
#include "ui/geometry_picture.h"
#include "ui/laminates.h"
#include "ui/main_window.h"
#include "ui/sweep_window.h"
#include "ui/synthesis_dialog.h"

#include <QClipboard>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFile>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QScatterSeries>
#include <QTemporaryDir>
#include <QTimer>
#include <QValueAxis>
#include <QtTest>

#include <memory>

namespace {

QPixmap blank_bitmap() {
    QPixmap bitmap(439, 220);
    bitmap.fill(Qt::white);
    return bitmap;
}

QStringList list_lines(calculator_dialog &w) {
    QStringList lines;
    for (int i = 0; i < w.result_list()->count(); ++i)
        lines << w.result_list()->item(i)->text();
    return lines;
}

QString file_text(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

void write_text(const QString &path, const QByteArray &text) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(text);
}

// The Z0 of a result line "Z0 = 50.901002 Ohm".
double z0_of(const QString &line) {
    return line.section(' ', 2, 2).toDouble();
}

int scatter_points(QChart *chart) {
    int points = 0;
    for (QAbstractSeries *s : chart->series()) {
        if (auto *scatter = qobject_cast<QScatterSeries *>(s)) points += scatter->count();
    }
    return points;
}

} // namespace

class app_test : public QObject {
    Q_OBJECT

  private:
    std::unique_ptr<main_window> app;
    QTemporaryDir dir;

    calculator_dialog &calc() { return app->calculator(); }
    void wait_until_idle() {
        QTRY_VERIFY_WITH_TIMEOUT(!calc().busy(), 120000);
        QTRY_VERIFY_WITH_TIMEOUT(!calc().worker_running(), 120000);
    }
    // Answers the next modal box with the button, once it shows.
    void answer_next_box(QMessageBox::StandardButton button, QString *text = nullptr) {
        QTimer::singleShot(0, this, [button, text] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            QVERIFY(box);
            if (text) *text = box->text();
            box->button(button)->click();
        });
    }

  private slots:
    void initTestCase() { use_own_settings(); }

    void init() {
        QSettings().clear();
        app = std::make_unique<main_window>(blank_bitmap());
        app->show();
        QVERIFY(QTest::qWaitForWindowActive(app.get()));
    }

    void cleanup() {
        wait_until_idle();
        app->sweeper()->hide();
        app.reset();
    }

    void menus_have_mnemonics_and_standard_shortcuts() {
        QStringList titles;
        for (QAction *menu : app->menuBar()->actions())
            titles << menu->text();
        QCOMPARE(titles, QStringList({"&File", "Edi&t", "Calc&ulation", "&View", "He&lp"}));
        const std::pair<const char *, QKeySequence> shortcuts[] = {
            {"file_new", QKeySequence("Ctrl+N")},
            {"file_open", QKeySequence("Ctrl+O")},
            {"file_save", QKeySequence("Ctrl+S")},
            {"file_save_as", QKeySequence("Ctrl+Shift+S")},
            {"file_quit", QKeySequence("Ctrl+Q")},
            {"edit_copy", QKeySequence("Ctrl+C")},
            {"edit_select_all", QKeySequence("Ctrl+A")}};
        for (const auto &[name, keys] : shortcuts) {
            QAction *a = app->action(name);
            QVERIFY2(a, name);
            QCOMPARE(a->shortcut(), keys);
            QVERIFY2(a->text().contains('&'), name);
        }
        for (const char *name : {"file_export", "file_recent", "calc_calculate", "calc_accurate",
                                 "calc_options", "calc_converge", "calc_synthesize", "calc_sweep",
                                 "calc_laminate", "calc_cancel", "help_about", "view_mil"}) {
            QVERIFY2(app->action(name), name);
            QVERIFY2(app->action(name)->text().contains('&'), name);
        }
        // The accurate variant is one action, in the menu and in the list's context menu.
        QCOMPARE(app->action("calc_accurate"), calc().accurate_action());
        QVERIFY(calc().result_list()->actions().contains(calc().accurate_action()));
        // The dialog keeps its fixed size under the menu bar, inside a window that resizes.
        QCOMPARE(calc().minimumSize(), calc().maximumSize());
        QVERIFY(app->minimumSize() != app->maximumSize());
        QVERIFY(calc().mapTo(app.get(), QPoint(0, 0)).y() > app->menuBar()->geometry().bottom());
        QCOMPARE(app->windowTitle(), QString("[*]Orvanta Calculator"));
        // Ctrl+C in the result list copies; Ctrl+A selects every line.
        calc().plot_box()->setChecked(false);
        QTest::keyClick(app.get(), Qt::Key_Return, Qt::ControlModifier);
        wait_until_idle();
        QCOMPARE(list_lines(calc()).last(), QString("Z0 = 50.901002 Ohm"));
        calc().result_list()->setFocus();
        QTest::keyClick(calc().result_list(), Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(calc().result_list()->selectedItems().size(), 9);
        QTest::keyClick(calc().result_list(), Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QGuiApplication::clipboard()->text(), list_lines(calc()).join('\n'));
        // With one line selected, Copy Results takes them all.
        calc().result_list()->setCurrentRow(3);
        QCOMPARE(app->result_text(), list_lines(calc()).join('\n'));
    }

    void refused_field_is_marked_and_focused_and_mnemonics_type_nothing_while_busy() {
        calc().set_field_text(input_field::h, "0");
        calc().calculate_button()->click();
        QCOMPARE(calc().refused_field(), std::optional<input_field>(input_field::h));
        QCOMPARE(QApplication::focusWidget(), calc().field(input_field::h));
        QVERIFY(calc().field(input_field::h)->palette().color(QPalette::Base) != QColor(Qt::white));
        QTest::keyClicks(calc().field(input_field::h), "0.79");
        QCOMPARE(calc().refused_field(), std::nullopt);
        for (input_field f : {input_field::w1, input_field::p})
            QVERIFY(!calc().field(f)->toolTip().isEmpty());

        calc().plot_box()->setChecked(false);
        calc().set_field_text(input_field::mesh_step, "0.02");
        auto *p = qobject_cast<QComboBox *>(calc().field(input_field::p));
        calc().calculate_button()->click();
        QVERIFY(calc().busy());
        p->lineEdit()->setFocus();
        QTest::keyClick(p->lineEdit(), Qt::Key_C, Qt::AltModifier);
        QTest::keyClick(p->lineEdit(), Qt::Key_C, Qt::AltModifier | Qt::ShiftModifier);
        QCOMPARE(p->currentText(), QString("2.0"));
        // No study starts beside the calculation.
        app->sweeper()->run_button()->click();
        QCOMPARE(app->sweeper()->status()->text(),
                 QString("Wait for the running calculation to end"));
        QVERIFY(!app->action("calc_converge")->isEnabled());
        wait_until_idle();
    }

    void accurate_options_take_the_thickness_and_the_picture_shows_it() {
        // A class without its own meta-object would match findChild as any QWidget (the
        // Calculate button), and the test would read past the end of that object.
        auto *picture = calc().findChild<geometry_picture *>();
        QVERIFY(picture);
        QCOMPARE(QString(picture->metaObject()->className()), QString("geometry_picture"));
        QVERIFY(!picture->shows_thickness());
        QTimer::singleShot(0, this, [] {
            auto *dialog =
                qobject_cast<accurate_options_dialog *>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            dialog->thickness_field()->setText("-1");
            dialog->accept();
            QVERIFY(dialog->isVisible());
            QCOMPARE(dialog->message()->text(), QString("ERROR: The value of `t` must be >= 0"));
            dialog->thickness_field()->setText("1");
            dialog->accept();
            QVERIFY(dialog->message()->text().contains("must not exceed `h`"));
            dialog->tolerance_field()->setText("150");
            dialog->thickness_field()->setText("0.035");
            dialog->accept();
            QVERIFY(dialog->isVisible());
            dialog->tolerance_field()->setText("0.01%");
            dialog->accept();
        });
        app->action("calc_options")->trigger();
        QCOMPARE(calc().field_text(input_field::t), QString("0.035"));
        QCOMPARE(app->tolerance_percent(), 0.01);
        QVERIFY(app->isWindowModified());
        // The specified variant cannot take a thickness: refused with a reason.
        calc().calculate_button()->click();
        QVERIFY(list_lines(calc()).last().contains("needs the accurate variant"));
        calc().accurate_action()->setChecked(true);
        QVERIFY(picture->shows_thickness());
        calc().plot_box()->setChecked(false);
        calc().calculate_button()->click();
        wait_until_idle();
        // 35 um of copper lowers Z0 by about 1.3 % from the flat strips' 50.86 ohm.
        double z0 = z0_of(list_lines(calc()).last());
        QVERIFY2(z0 > 50.0 && z0 < 50.4, qPrintable(list_lines(calc()).last()));
    }

    void convergence_reports_its_estimate_in_the_result_list() {
        QTimer::singleShot(0, this, [] {
            auto *dialog =
                qobject_cast<accurate_options_dialog *>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            dialog->tolerance_field()->setText("0.01");
            dialog->accept();
        });
        app->action("calc_converge")->trigger();
        QVERIFY(app->action("calc_cancel")->isEnabled());
        wait_until_idle();
        QStringList lines = list_lines(calc());
        QVERIFY2(lines.filter("Converged: estimated error").size() == 1,
                 qPrintable(lines.join('|')));
        QStringList estimate = lines.filter(QRegularExpression("^Z0 = .* \\+- "));
        QCOMPARE(estimate.size(), 1);
        // The closed-form figure of the accurate variant on this line, within the tolerance.
        QVERIFY(std::fabs(z0_of(estimate.first()) - 50.8433) < 50.8433 * 0.0001);
        QVERIFY(lines.filter(" cells, Z0 = ").size() >= 3);
        QCOMPARE(calc().windowTitle(), QString("Orvanta Calculator"));
        QVERIFY(!app->action("calc_cancel")->isEnabled());
    }

    void synthesis_writes_the_value_into_its_field() {
        synthesis_dialog *dialog = app->synthesis();
        dialog->open();
        dialog->target_field()->setText("60");
        dialog->field_choice()->setCurrentText("w1");
        dialog->run_button()->click();
        QVERIFY(dialog->cancel_button()->isEnabled());
        wait_until_idle();
        QVERIFY2(dialog->status()->text().startsWith("w1 = "),
                 qPrintable(dialog->status()->text()));
        QVERIFY(dialog->use_button()->isEnabled());
        QCOMPARE(calc().field_text(input_field::w1), QString("2.4"));
        dialog->use_button()->click();
        QString value = calc().field_text(input_field::w1);
        QVERIFY(value != "2.4");
        QVERIFY(dialog->status()->text().startsWith("w1 = " + value + " gives Z0 = "));
        dialog->reject();
        calc().plot_box()->setChecked(false);
        calc().calculate_button()->click();
        wait_until_idle();
        // The value written gives, calculated again, the Z0 the synthesis reported: the
        // specified variant's mesh steps keep it a few milliohms from the target.
        QString reported = dialog->status()->text().section(" gives ", 1).section(' ', 0, 3);
        QCOMPARE(list_lines(calc()).last(), reported);
        QVERIFY(std::fabs(z0_of(reported) - 60) < 0.01);

        // Out of reach: the range searched, as on the command line; nothing is written.
        dialog->open();
        dialog->target_field()->setText("5000");
        dialog->run_button()->click();
        wait_until_idle();
        QVERIFY(dialog->status()->text().contains("is outside the range searched"));
        QVERIFY(!dialog->use_button()->isEnabled());
        QCOMPARE(calc().field_text(input_field::w1), value);
        dialog->reject();
    }

    void sweep_chart_receives_its_points_and_failures_leave_gaps() {
        sweep_window *sweep = app->sweeper();
        app->action("calc_sweep")->trigger();
        QVERIFY(sweep->isVisible());
        sweep->field_choice()->setCurrentText("w1");
        sweep->from_field()->setText("-0.5");
        sweep->to_field()->setText("2");
        sweep->step_field()->setText("0.5");
        sweep->run_button()->click();
        wait_until_idle();
        QVERIFY(sweep->result());
        QCOMPARE(sweep->result()->points.size(), std::size_t(6));
        // -0.5 and 0 are refused: two rows in the failure list, four points drawn.
        QCOMPARE(sweep->failures()->count(), 2);
        QVERIFY(sweep->failures()->item(0)->text().startsWith("w1 = -0.5 mm: ERROR"));
        QCOMPARE(scatter_points(sweep->chart()), 8);
        // Z0 falls as the strip widens.
        QCOMPARE(sweep->chart()->axes(Qt::Horizontal).first()->titleText(), QString("w1 (mm)"));
        QCOMPARE(sweep->status()->text(), QString("6 points, 2 failed"));

        QString table = dir.filePath("sweep.csv"), svg = dir.filePath("sweep.svg"),
                png = dir.filePath("sweep.png"), error;
        QVERIFY(sweep->export_table(table, error));
        QStringList rows = file_text(table).split('\n', Qt::SkipEmptyParts);
        QCOMPARE(rows.first(), QString("w1,Z0,eps_eff,cells,t"));
        QCOMPARE(rows.size(), 7);
        QCOMPARE(rows[1], QString("-0.5,,,,0"));
        QVERIFY(sweep->export_chart(svg, error));
        QVERIFY(file_text(svg).startsWith("<?xml") || file_text(svg).startsWith("<svg"));
        QVERIFY(sweep->export_chart(png, error));
        QCOMPARE(QImage(png).size(), QSize(1600, 1000));
        // The numbers beside the chart; the swept axis spans the values swept, no more;
        // Z0 red and the permittivity blue, as in the command line's chart.
        QCOMPARE(sweep->table()->rowCount(), 6);
        QCOMPARE(sweep->table()->item(2, 0)->text(), QString("0.5"));
        QVERIFY(!sweep->table()->item(2, 1)->text().isEmpty());
        QVERIFY(!sweep->table()->item(0, 1));
        auto *x_axis = qobject_cast<QValueAxis *>(sweep->chart()->axes(Qt::Horizontal).first());
        QCOMPARE(x_axis->min(), -0.5);
        QCOMPARE(x_axis->max(), 2.0);
        for (QAbstractSeries *s : sweep->chart()->series()) {
            if (auto *scatter = qobject_cast<QScatterSeries *>(s))
                QCOMPARE(scatter->color(),
                         scatter->name() == "Z0" ? QColor(0xc0, 0, 0) : QColor(0, 0, 0xc0));
        }
        QVERIFY(!sweep->export_table(dir.filePath("no/such/dir/t.csv"), error));
        QVERIFY(error.contains("t.csv"));
    }

    // A synthesis in mils lands on a value a mil can mean; Use Value writes it, keeps its
    // millimetres, and the Z0 reported is the one the written value gives.
    void values_written_are_what_their_unit_means() {
        app->action("view_mil")->trigger();
        synthesis_dialog *dialog = app->synthesis();
        dialog->open();
        dialog->target_field()->setText("60");
        dialog->field_choice()->setCurrentText("w1");
        dialog->run_button()->click();
        wait_until_idle();
        dialog->use_button()->click();
        QString mils = calc().field_text(input_field::w1);
        QVERIFY2(QRegularExpression("^\\d+(\\.\\d{1,2})?$").match(mils).hasMatch(),
                 qPrintable(mils));
        QCOMPARE(calc().field_text_mm(input_field::w1).toDouble() / 0.0254, mils.toDouble());
        dialog->reject();
        calc().plot_box()->setChecked(false);
        calc().calculate_button()->click();
        wait_until_idle();
        QString reported = dialog->status()->text().section(" gives ", 1).section(' ', 0, 3);
        QCOMPARE(list_lines(calc()).last(), reported);
        // A value longer than its field shows its beginning.
        app->action("view_mm")->trigger();
        calc().set_field_text_mm(input_field::w1, "3.06737811942");
        auto *w1 = qobject_cast<QLineEdit *>(calc().field(input_field::w1));
        QCOMPARE(w1->cursorPosition(), 0);
    }

    // A calculation is cancelled at its next check, like a study; the window goes on.
    void a_long_calculation_can_be_cancelled() {
        calc().plot_box()->setChecked(false);
        calc().set_field_text(input_field::mesh_step, "0.005");
        calc().calculate_button()->click();
        QVERIFY(app->action("calc_cancel")->isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(list_lines(calc()).contains("Filling matrix"), 20000);
        app->action("calc_cancel")->trigger();
        wait_until_idle();
        QCOMPARE(list_lines(calc()).last(), QString("Calculation cancelled"));
        QVERIFY(!app->action("calc_cancel")->isEnabled());
        calc().set_field_text(input_field::mesh_step, "AUTO");
        calc().calculate_button()->click();
        wait_until_idle();
        QCOMPARE(list_lines(calc()).last(), QString("Z0 = 50.901002 Ohm"));
    }

    // A thickness left over from the accurate variant is in sight, and after Calculate
    // refuses it the remedy is one click; Export writes the refusal, not an older run.
    void a_refused_thickness_shows_its_remedy_and_export_writes_the_refusal() {
        calc().plot_box()->setChecked(false);
        calc().calculate_button()->click();
        wait_until_idle();
        calc().set_field_text(input_field::t, "0.035");
        QVERIFY(app->variant_state()->text().contains("needs the accurate variant"));
        QVERIFY(!app->thickness_remedy()->isVisible());
        calc().calculate_button()->click();
        QVERIFY(app->thickness_remedy()->isVisible());
        QString json = dir.filePath("refused.json"), error;
        QVERIFY(app->export_results(json, error));
        QVERIFY(file_text(json).contains("\"ok\": false"));
        QVERIFY(file_text(json).contains("needs the accurate variant"));
        QVERIFY(!app->export_results(dir.filePath("refused.csv"), error));
        app->thickness_remedy()->findChild<QPushButton *>("remedy_flat")->click();
        QCOMPARE(calc().field_text(input_field::t), QString("0"));
        QVERIFY(!app->thickness_remedy()->isVisible());
        calc().set_field_text(input_field::t, "0.035");
        calc().calculate_button()->click();
        app->thickness_remedy()->findChild<QPushButton *>("remedy_accurate")->click();
        QVERIFY(calc().accurate_action()->isChecked());
        QVERIFY(app->variant_state()->text().startsWith("Accurate variant, t = 0.035"));
        // The About box links the program's documentation, not a placeholder.
        about_box about(app.get());
        QString link = about.findChild<QLabel *>("about_link")->text();
        QVERIFY2(link.contains("README.md") || link.contains("orvanta-cli"), qPrintable(link));
    }

    void cancel_leaves_the_window_usable() {
        sweep_window *sweep = app->sweeper();
        sweep->show();
        sweep->field_choice()->setCurrentText("w1");
        sweep->from_field()->setText("1");
        sweep->to_field()->setText("4");
        sweep->step_field()->setText("0.01");
        sweep->run_button()->click();
        QTRY_VERIFY_WITH_TIMEOUT(calc().windowTitle().contains(" of 301"), 20000);
        sweep->cancel_button()->click();
        wait_until_idle();
        QVERIFY(sweep->result()->cancelled);
        QVERIFY(sweep->status()->text().startsWith("Cancelled after "));
        QVERIFY(sweep->result()->points.size() < 301);
        QVERIFY(calc().calculate_button()->isEnabled());
        QCOMPARE(calc().windowTitle(), QString("Orvanta Calculator"));

        synthesis_dialog *dialog = app->synthesis();
        dialog->open();
        dialog->target_field()->setText("70");
        dialog->field_choice()->setCurrentText("h");
        dialog->run_button()->click();
        dialog->cancel_button()->click();
        wait_until_idle();
        QVERIFY(dialog->status()->text().startsWith("Synthesis cancelled"));
        QVERIFY(!dialog->use_button()->isEnabled());
        QCOMPARE(calc().field_text(input_field::h), QString("0.79"));
        dialog->reject();
        QVERIFY(!dialog->isVisible());
        calc().plot_box()->setChecked(false);
        calc().calculate_button()->click();
        wait_until_idle();
        QCOMPARE(list_lines(calc()).last(), QString("Z0 = 50.901002 Ohm"));
    }

    void design_files_round_trip_every_field_exactly() {
        // The keyword fields show what is typed in upper case.
        const QString texts[] = {"2.40",   "INF",  "0.7900", "-0.25",
                                 "2.20e0", "AUTO", "0.05",   "0.018"};
        for (int i = 0; i < input_field_count; ++i)
            calc().set_field_text(input_field(i), texts[i]);
        calc().accurate_action()->setChecked(true);
        QString path = dir.filePath("line.orvanta"), error;
        QVERIFY2(app->save_design(path, error), qPrintable(error));
        QCOMPARE(app->windowTitle(), QString("line.orvanta[*] - Orvanta Calculator"));
        QVERIFY(!app->isWindowModified());
        app->action("file_new")->trigger();
        QCOMPARE(calc().field_text(input_field::w1), QString("2.4"));
        QVERIFY(!calc().accurate_action()->isChecked());
        QVERIFY(app->open_design(path, error));
        for (int i = 0; i < input_field_count; ++i)
            QCOMPARE(calc().field_text(input_field(i)), texts[i]);
        QVERIFY(calc().accurate_action()->isChecked());
        QCOMPARE(app->design_path(), path);
        // An edit marks the design modified; closing then asks, and Cancel keeps it open.
        QTest::keyClicks(calc().field(input_field::d), "5");
        QVERIFY(app->isWindowModified());
        QString question;
        answer_next_box(QMessageBox::Cancel, &question);
        QVERIFY(!app->close());
        QVERIFY(app->isVisible());
        QVERIFY(question.contains("unsaved changes"));
        // Save writes over the file in place.
        app->action("file_save")->trigger();
        QVERIFY(!app->isWindowModified());
        QVERIFY(file_text(path).contains("\"-0.255\""));
    }

    void bad_design_files_say_what_is_wrong_and_change_nothing() {
        QString good = dir.filePath("good.orvanta"), error;
        calc().set_field_text(input_field::w1, "3");
        QVERIFY(app->save_design(good, error));
        QByteArray text = file_text(good).toUtf8();
        calc().set_field_text(input_field::w1, "1.5");
        const std::pair<const char *, QByteArray> cases[] = {
            {"truncated.orvanta", text.left(text.size() / 2)},
            {"text.orvanta", "w1 = 3\n"},
            {"newer.orvanta", QByteArray(text).replace("\"version\": 1", "\"version\": 3")},
            {"refused.orvanta", QByteArray(text).replace("\"w1\": \"3\"", "\"w1\": \"-3\"")},
        };
        for (const auto &[name, content] : cases) {
            QString path = dir.filePath(name);
            write_text(path, content);
            error.clear();
            QVERIFY2(!app->open_design(path, error), name);
            QVERIFY2(error.contains(name), qPrintable(error));
            QCOMPARE(file_text(path).toUtf8(), content);
        }
        QVERIFY(!app->open_design(dir.filePath("missing.orvanta"), error));
        QVERIFY(error.contains("missing.orvanta"));
        // The window kept its state throughout.
        QCOMPARE(calc().field_text(input_field::w1), QString("1.5"));
        QCOMPARE(app->design_path(), good);
        QVERIFY(app->isWindowModified());
        // From the menu path the message is shown in a box.
        QString shown;
        answer_next_box(QMessageBox::Ok, &shown);
        app->open_design_interactively(dir.filePath("text.orvanta"));
        QVERIFY(shown.contains("text.orvanta"));
    }

    void units_convert_the_fields_and_are_remembered() {
        calc().plot_box()->setChecked(false);
        calc().calculate_button()->click();
        wait_until_idle();
        QStringList in_mm = list_lines(calc());
        // The lengths are shown to what a mil can mean, 0.01 mil; their values, and so
        // the results and the lines of the last calculation, stay as they were.
        app->action("view_mil")->trigger();
        QCOMPARE(calc().unit(), length_unit::mil);
        QCOMPARE(list_lines(calc()), in_mm);
        QCOMPARE(calc().field_text(input_field::h), QString("31.1"));
        QCOMPARE(calc().field_text(input_field::epsilon_r), QString("2.2"));
        QCOMPARE(calc().field_text(input_field::p), QString("78.74"));
        QCOMPARE(calc().field_text_mm(input_field::h), QString("0.79"));
        QVERIFY(!app->isWindowModified());
        calc().calculate_button()->click();
        wait_until_idle();
        QCOMPARE(list_lines(calc()), in_mm);
        QVERIFY(calc().field(input_field::w1)->toolTip().contains("mil"));
        calc().set_field_text(input_field::w1, "100");
        QCOMPARE(calc().field_text_mm(input_field::w1), QString("2.54"));
        app.reset();
        app = std::make_unique<main_window>(blank_bitmap());
        QCOMPARE(calc().unit(), length_unit::mil);
        app->action("view_um")->trigger();
        QCOMPARE(calc().field_text(input_field::h), QString("790"));
        app->action("view_mm")->trigger();
        QCOMPARE(calc().field_text(input_field::h), QString("0.79"));
        // In millimetres the texts reach validation untouched.
        calc().set_field_text(input_field::d, "0.0");
        QCOMPARE(calc().field_text_mm(input_field::d), QString("0.0"));
    }

    void laminate_fills_epsilon_r_and_h_and_export_writes_the_record() {
        QMenu *menu = app->action("calc_laminate")->menu();
        emit menu->aboutToShow();
        menu->actions().first()->trigger();
        QCOMPARE(calc().field_text(input_field::epsilon_r), QString("4.4"));
        QCOMPARE(calc().field_text(input_field::h), QString("1.6"));
        QVERIFY(app->isWindowModified());

        // The editor keeps the rows that make sense, and the list outlives the window.
        laminate_editor editor(laminates_load(), app.get());
        QTableWidget *table = editor.table();
        QCOMPARE(table->rowCount(), int(laminates_builtin().size()));
        table->setRowCount(3);
        const char *rows[3][3] = {
            {"Own board", "3.0", "0.5"}, {"No permittivity", "x", "1"}, {"Vacuum gap", "1", "0"}};
        for (int r = 0; r < 3; ++r)
            for (int c = 0; c < 3; ++c)
                table->setItem(r, c, new QTableWidgetItem(rows[r][c]));
        std::vector<laminate> kept = editor.list();
        QCOMPARE(kept.size(), std::size_t(1));
        QCOMPARE(kept[0].name, QString("Own board"));
        laminates_save(kept);
        QCOMPARE(laminates_load().size(), std::size_t(1));
        emit menu->aboutToShow();
        menu->actions().first()->trigger();
        QCOMPARE(calc().field_text(input_field::h), QString("0.5"));
        laminates_save({});
        QCOMPARE(laminates_load().size(), laminates_builtin().size());

        QString json = dir.filePath("run.json"), csv = dir.filePath("run.csv"), error;
        QVERIFY(!app->export_results(json, error));
        QCOMPARE(error, QString("No calculation has finished yet"));
        calc().plot_box()->setChecked(false);
        calc().calculate_button()->click();
        wait_until_idle();
        QVERIFY(app->export_results(json, error));
        QString record = file_text(json);
        QVERIFY(record.contains("\"variant\": \"specified\""));
        QVERIFY(record.contains("\"epsilon_r\": 3"));
        QVERIFY(record.contains(QString("\"") + list_lines(calc()).last() + "\""));
        QVERIFY(app->export_results(csv, error));
        QVERIFY(file_text(csv).count('\n') > 100);
    }
};

QTEST_MAIN(app_test)
#include "app_test.moc"
