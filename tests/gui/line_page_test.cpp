// The desktop program's line types under QTest on the offscreen platform: every type's
// form builds, validates and shows the live result the command line prints for the same
// line; a refused field is marked and no older result shows after it; a burst of edits
// ends with the last one's result; units convert the fields and leave the results as
// they were; a design of each type comes back as saved; the drawing follows the edits;
// the field view renders a single line and both modes of a pair.
#include "tests/support/cli_capture.h"
#include "tests/support/own_settings.h"
#include "ui/main_window.h"

#include <QFile>
#include <QImage>
#include <QLineEdit>
#include <QLineSeries>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

namespace {

QPixmap blank_bitmap() {
    QPixmap bitmap(439, 220);
    bitmap.fill(Qt::white);
    return bitmap;
}

// What orvanta-cli prints for the arguments (after the program's name).
std::string cli_output(std::vector<std::string> args) {
    return run(std::move(args)).out;
}

} // namespace

class line_page_test : public QObject {
    Q_OBJECT

  private:
    std::unique_ptr<main_window> app;
    QTemporaryDir dir;

    line_page &page() { return *app->lines(); }
    QLineEdit *field(line_option option) { return page().form()->field(option); }
    void wait_for_answer() {
        QTRY_VERIFY_WITH_TIMEOUT(!page().runner().busy(), 60000);
        QVERIFY(page().answer());
    }
    void type_into(line_option option, const QString &text) {
        QLineEdit *edit = field(option);
        QVERIFY(edit);
        edit->selectAll();
        QTest::keyClicks(edit, text);
    }

  private slots:
    void initTestCase() { use_own_settings(); }

    void init() {
        QSettings().clear();
        app = std::make_unique<main_window>(blank_bitmap());
        app->show();
        QVERIFY(QTest::qWaitForWindowExposed(app.get()));
    }

    void cleanup() {
        app->setWindowModified(false);
        app.reset();
    }

    // Every type in the command line's order: its picture, its form, its result equal to
    // the command line's JSON record and its result lines among the command line's.
    void every_type_matches_the_command_line() {
        line_chooser *chooser = app->chooser();
        QCOMPARE(chooser->count(), int(line_type_specs().size()));
        for (int row = 0; row < chooser->count(); ++row) {
            const line_type_spec &t = line_type_specs()[std::size_t(row)];
            QCOMPARE(chooser->item(row)->text(), QString::fromUtf8(t.label));
            QVERIFY(!chooser->item(row)->icon().isNull());
            chooser->setCurrentRow(row);
            if (t.type == line_type::two_strip) {
                QVERIFY(!app->line_shown());
                QVERIFY(app->calculator().isVisible());
                continue;
            }
            QVERIFY(app->line_shown());
            QCOMPARE(page().type(), t.type);
            for (const line_option_spec &o : line_option_specs())
                QCOMPARE(field(o.option) != nullptr, line_option_applies(o.option, t.type));
            QVERIFY(page().drawing()->has_section());
            wait_for_answer();
            std::string cli = cli_output({"--line", t.name, "--json"});
            QCOMPARE(QString::fromStdString(page().result_json()), QString::fromStdString(cli));
            std::string text = cli_output({"--line", t.name});
            for (const QString &line : page().result_text().split('\n', Qt::SkipEmptyParts))
                QVERIFY2(text.find(line.toStdString()) != std::string::npos, qPrintable(line));
        }
    }

    // Options typed in mils, with a unit of their own and a keyword, against the same
    // options on the command line.
    void typed_options_match_the_command_line() {
        app->action("view_mil")->trigger();
        app->chooser()->select(line_type::coupled_gcpw);
        type_into(line_option::w, QStringLiteral("8"));
        type_into(line_option::s, QStringLiteral("0.15mm"));
        type_into(line_option::ground_width, QStringLiteral("AUTO"));
        wait_for_answer();
        std::string cli = cli_output({"--line", "coupled-gcpw", "--unit", "mil", "--w", "8", "--s",
                                      "0.15mm", "--ground-width", "AUTO", "--json"});
        QCOMPARE(QString::fromStdString(page().result_json()), QString::fromStdString(cli));
    }

    // A refused option tints its field and replaces the results by the reason; a geometry
    // that cannot be built says why; the next valid edit clears both.
    void refusals_are_marked_and_hide_older_results() {
        app->chooser()->select(line_type::microstrip);
        wait_for_answer();
        type_into(line_option::w, QStringLiteral("-1"));
        QCOMPARE(page().form()->refused(), std::optional<line_option>(line_option::w));
        QCOMPARE(field(line_option::w)->palette().color(QPalette::Base), QColor(255, 220, 220));
        QVERIFY(
            page().state()->text().contains(QStringLiteral("--w: the trace width must be > 0")));
        QVERIFY(page().results()->toPlainText().isEmpty());
        QVERIFY(!page().answer());
        QTest::qWait(300);
        QVERIFY(!page().answer()); // the run before the refusal does not come back
        // An emptied field is refused, not read as its start value.
        field(line_option::h)->selectAll();
        QTest::keyClick(field(line_option::h), Qt::Key_Delete);
        QCOMPARE(page().form()->refused(), std::optional<line_option>(line_option::h));
        QVERIFY(page().state()->text().contains(QStringLiteral("--h: type a value")));
        type_into(line_option::h, QStringLiteral("0.2"));
        type_into(line_option::etch, QStringLiteral("0.2"));
        QVERIFY(!page().answer());
        type_into(line_option::w, QStringLiteral("0.3"));
        QCOMPARE(page().form()->refused(), std::optional<line_option>(line_option::etch));
        QVERIFY(page().state()->text().contains(QStringLiteral("less than half the trace width")));
        QVERIFY(!page().answer());
        type_into(line_option::etch, QStringLiteral("0.01"));
        wait_for_answer();
        QCOMPARE(field(line_option::w)->palette().color(QPalette::Base),
                 QPalette().color(QPalette::Base));
    }

    // Keystrokes faster than the solves: the answer shown is the last text's, equal to
    // the command line's for it, and the drawing shows the last width.
    void a_burst_of_edits_ends_with_the_last() {
        app->chooser()->select(line_type::coupled_coated_microstrip);
        QLineEdit *w = field(line_option::w);
        w->selectAll();
        for (const char *text : {"0.2", "0.25", "0.3", "0.35", "0.4"}) {
            w->selectAll();
            QTest::keyClicks(w, QString::fromUtf8(text));
        }
        wait_for_answer();
        QCOMPARE(QString::fromStdWString(page().answer()->input.texts[std::size_t(line_option::w)]),
                 QStringLiteral("0.4"));
        std::string cli =
            cli_output({"--line", "coupled-coated-microstrip", "--w", "0.4", "--json"});
        QCOMPARE(QString::fromStdString(page().result_json()), QString::fromStdString(cli));
        const section_mark &width = page().drawing()->marks().front();
        QCOMPARE(width.to.x - width.from.x, 0.4e-3);
    }

    // Units: the fields convert, the results keep their figures (the same record, no new
    // solve), the text follows the unit, and back in millimetres the texts are as typed.
    void units_convert_fields_not_results() {
        app->chooser()->select(line_type::stripline);
        type_into(line_option::w, QStringLiteral("0.25"));
        wait_for_answer();
        std::string record = page().result_json();
        std::uint64_t generation = page().runner().generation();
        line_input typed = page().form()->input_mm();
        app->action("view_mil")->trigger();
        QCOMPARE(field(line_option::w)->text(), QStringLiteral("9.84"));
        QCOMPARE(page().result_json(), record);
        QCOMPARE(page().runner().generation(), generation);
        QVERIFY(page().result_text().contains(QStringLiteral(" ps/in")));
        QCOMPARE(page().form()->input_mm().texts, typed.texts);
        app->action("view_um")->trigger();
        QCOMPARE(field(line_option::w)->text(), QStringLiteral("250"));
        app->action("view_mm")->trigger();
        QCOMPARE(page().form()->input_mm().texts, typed.texts);
        QCOMPARE(page().result_json(), record);
    }

    // A design of every type comes back with its type and texts.
    void designs_round_trip() {
        for (const line_type_spec &t : line_type_specs()) {
            if (t.type == line_type::two_strip) continue;
            app->chooser()->select(t.type);
            const line_option_spec &first = *std::find_if(
                line_option_specs().begin(), line_option_specs().end(),
                [&](const line_option_spec &o) {
                    return o.unit == field_unit::length && line_option_applies(o.option, t.type);
                });
            type_into(first.option, QStringLiteral("0.45"));
            line_input saved = page().form()->input_mm();
            QString path = dir.filePath(QString::fromUtf8(t.name) + QStringLiteral(".orvanta"));
            QString error;
            QVERIFY2(app->save_design(path, error), qPrintable(error));
            app->chooser()->select(line_type::two_strip);
            QVERIFY2(app->open_design(path, error), qPrintable(error));
            QVERIFY(app->line_shown());
            QCOMPARE(page().type(), t.type);
            QCOMPARE(page().form()->input_mm().texts, saved.texts);
        }
        app->chooser()->select(line_type::two_strip);
        QString path = dir.filePath(QStringLiteral("two.orvanta"));
        QString error;
        QVERIFY(app->save_design(path, error));
        app->chooser()->select(line_type::coax);
        QVERIFY(app->open_design(path, error));
        QVERIFY(!app->line_shown());
    }

    // The field view of a single line and of both modes of a pair: a map with the signal
    // near 1 V, the odd mode's potentials of both signs, the even mode's of one; saved as
    // PNG and SVG.
    void the_field_view_renders_both_modes() {
        auto range = [](const field_view &view) {
            double low = INFINITY, high = -INFINITY;
            for (double v : view.picture()->map.potential) {
                if (!std::isfinite(v)) continue;
                low = std::min(low, v);
                high = std::max(high, v);
            }
            return std::pair{low, high};
        };
        app->chooser()->select(line_type::microstrip);
        page().show_field();
        field_view &view = *page().field();
        QTRY_VERIFY_WITH_TIMEOUT(!view.runner().busy(), 60000);
        QVERIFY(view.picture());
        QCOMPARE(view.modes()->count(), 1);
        auto [low, high] = range(view);
        QVERIFY(low > -0.01 && high > 0.9 && high < 1.01);
        QVERIFY(!view.picture()->map.charges.empty());

        app->chooser()->select(line_type::coupled_coated_microstrip);
        QTRY_VERIFY_WITH_TIMEOUT(!view.runner().busy(), 60000);
        QCOMPARE(view.modes()->count(), 2);
        std::tie(low, high) = range(view);
        QVERIFY(low < -0.9 && high > 0.9);
        view.set_mode(1);
        QTRY_VERIFY_WITH_TIMEOUT(!view.runner().busy(), 60000);
        std::tie(low, high) = range(view);
        QVERIFY(low > -0.01 && high > 0.9);
        QVERIFY(view.picture()->title.startsWith(QStringLiteral("Even mode")));

        QString error;
        QString png = dir.filePath(QStringLiteral("field.png"));
        QString svg = dir.filePath(QStringLiteral("field.svg"));
        QVERIFY2(view.save(png, error), qPrintable(error));
        QVERIFY2(view.save(svg, error), qPrintable(error));
        QImage image(png);
        QCOMPARE(image.size(), QSize(1200, 800));
        QFile file(svg);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(file.readAll().contains("<svg"));
        QVERIFY(!view.save(dir.filePath(QStringLiteral("no/such/dir/field.png")), error));
        QVERIFY(error.contains(QStringLiteral("field.png")));

        // A refused edit takes the field away with the results, and a valid one brings it
        // back.
        type_into(line_option::s, QStringLiteral("-0.1"));
        QVERIFY(!view.picture());
        QVERIFY(!view.runner().busy());
        type_into(line_option::s, QStringLiteral("0.1"));
        QTRY_VERIFY_WITH_TIMEOUT(!view.runner().busy(), 60000);
        QVERIFY(view.picture());
    }

    // A sweep of a pair's spacing: Zdiff and Zcommon drawn against it, its record the
    // command line's; a synthesis of a width for 50 ohm, whose value Use Value types in,
    // the line's live result then the synthesis's own estimate.
    void sweeps_and_syntheses_of_a_line() {
        app->chooser()->select(line_type::coupled_microstrip);
        app->action("calc_sweep")->trigger();
        line_sweep_window &sweep = *page().sweep();
        QVERIFY(sweep.isVisible());
        sweep.option()->setCurrentIndex(sweep.option()->findData(int(line_option::s)));
        sweep.from_field()->setText(QStringLiteral("0.1"));
        sweep.to_field()->setText(QStringLiteral("0.3"));
        sweep.step_field()->setText(QStringLiteral("0"));
        QVERIFY(!sweep.run());
        QVERIFY(sweep.state()->text().contains(QStringLiteral("Step '0' refused")));
        sweep.step_field()->setText(QStringLiteral("0.1"));
        QVERIFY(sweep.run());
        QTRY_VERIFY_WITH_TIMEOUT(!sweep.runner().busy(), 60000);
        QVERIFY(sweep.result());
        QCOMPARE(sweep.chart()->series().size(), 2);
        for (QAbstractSeries *series : sweep.chart()->series())
            QCOMPARE(qobject_cast<QLineSeries *>(series)->count(), 3);
        QString path = dir.filePath(QStringLiteral("sweep.json"));
        QString error;
        QVERIFY2(sweep.export_json(path, error), qPrintable(error));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        std::string cli =
            cli_output({"--line", "coupled-microstrip", "--sweep", "s=0.1:0.3:0.1", "--json"});
        QCOMPARE(QString::fromUtf8(file.readAll()), QString::fromStdString(cli));
        sweep.hide();

        app->chooser()->select(line_type::microstrip);
        app->action("calc_synthesize")->trigger();
        line_synthesis_dialog &synthesis = *page().synthesis();
        QCOMPARE(synthesis.target()->currentText(), QStringLiteral("Z0"));
        synthesis.option()->setCurrentIndex(synthesis.option()->findData(int(line_option::w)));
        synthesis.goal()->setText(QStringLiteral("50"));
        QVERIFY(synthesis.run());
        QTRY_VERIFY_WITH_TIMEOUT(!synthesis.runner().busy(), 60000);
        QVERIFY(synthesis.result() && synthesis.result()->found);
        synthesis.use_value()->click();
        wait_for_answer();
        // The search meets the goal on single solves; the estimate at the value found is the
        // live result's, and the goal lies within its stated error.
        const line_estimate &live = page().answer()->estimate;
        std::size_t z = live.layout.at(line_figure::z0);
        QCOMPARE(live.value[z], synthesis.result()->best.value[z]);
        QVERIFY2(std::fabs(live.value[z] - 50) <= live.error[z] + 0.001,
                 qPrintable(QString::number(live.value[z], 'f', 6)));
        QCOMPARE(page().form()->input_mm().texts[std::size_t(line_option::w)],
                 QString::number(synthesis.result()->value, 'g', 10).toStdWString());
    }

    // A cross-section file opens from File > Open: drawn and solved as it is, its record
    // the command line's for --xs; a broken one is refused naming it; choosing a type
    // leaves it.
    void cross_section_files_open_in_the_drawing() {
        QString path = dir.filePath(QStringLiteral("pair.json"));
        run({"--line", "coupled-gcpw", "--save-xs", path.toStdString()});
        QString error;
        QVERIFY2(app->open_design(path, error), qPrintable(error));
        QVERIFY(app->line_shown());
        QVERIFY(page().showing_file());
        QVERIFY(page().drawing()->has_section());
        QCOMPARE(page().drawing()->section().electrode_count, 2);
        wait_for_answer();
        std::string cli = cli_output({"--xs", path.toStdString(), "--json"});
        QCOMPARE(QString::fromStdString(page().result_json()), QString::fromStdString(cli));
        QVERIFY(page().result_text().startsWith(QStringLiteral("Cross-section ") + path));
        QVERIFY(!app->save_design(dir.filePath(QStringLiteral("x.orvanta")), error));

        QString broken = dir.filePath(QStringLiteral("broken.json"));
        QFile file(broken);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("{\"format\": \"orvanta-cross-section\"");
        file.close();
        QVERIFY(!app->open_design(broken, error));
        QVERIFY(error.contains(QStringLiteral("broken.json")));
        QVERIFY(page().showing_file());

        app->chooser()->select(line_type::microstrip);
        QVERIFY(!page().showing_file());
        QCOMPARE(page().type(), line_type::microstrip);
    }

    // The window resizes, and at 1024 x 700 the form, the drawing and the results fit.
    void the_window_lays_out_at_1024_by_700() {
        app->chooser()->select(line_type::gcpw);
        app->resize(1024, 700);
        QTRY_COMPARE(app->size(), QSize(1024, 700));
        QVERIFY(page().drawing()->height() >= 180);
        QVERIFY(page().results()->height() >= 100);
        QVERIFY(page().form()->isVisible());
        app->resize(1400, 900);
        QTRY_COMPARE(app->size(), QSize(1400, 900));
    }
};

QTEST_MAIN(line_page_test)
#include "line_page_test.moc"
