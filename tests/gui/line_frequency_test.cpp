// The losses window of the line page under QTest on the offscreen platform: a pair's
// charts hold its differential mode's attenuation by cause and its |Zdiff| at the
// frequencies computed, per metre and, with lengths in mils, per inch; the CSV and
// Touchstone exports write the texts of the Qt-free functions, and the S-parameters ask
// for a length; a cross-section file runs with its own loss tangents; a refused input
// says why and runs nothing; closing the window, or the program, during a run ends it
// without an answer, a crash or a window left behind.
#include "tests/support/own_settings.h"
#include "ui/main_window.h"

#include "input/frequency_list.h"
#include "input/xs_file.h"

#include <QComboBox>
#include <QFile>
#include <QLineSeries>
#include <QLogValueAxis>
#include <QPointer>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>

namespace {

QPixmap blank_bitmap() {
    QPixmap bitmap(439, 220);
    bitmap.fill(Qt::white);
    return bitmap;
}

QLineSeries *series(QChart *chart, int k) {
    return qobject_cast<QLineSeries *>(chart->series().at(k));
}

QString file_text(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

} // namespace

class line_frequency_test : public QObject {
    Q_OBJECT

  private:
    std::unique_ptr<main_window> app;
    QTemporaryDir dir;

    line_frequency_window &window() { return *app->lines()->frequency(); }
    void open(line_type type) {
        app->chooser()->select(type);
        app->action("calc_losses")->trigger();
        QVERIFY(window().isVisible());
    }
    void wait_for_run() { QTRY_VERIFY_WITH_TIMEOUT(!window().runner().busy(), 300000); }
    // The refusal shown, with nothing asked of the runner and nothing drawn.
    void verify_refused(const QString &why) {
        std::uint64_t generation = window().runner().generation();
        QVERIFY(!window().compute());
        QCOMPARE(window().state()->text(), why);
        QCOMPARE(window().runner().generation(), generation);
        QVERIFY(!window().result());
        QVERIFY(window().loss_chart()->series().isEmpty());
    }

  private slots:
    void initTestCase() {
        use_own_settings();
        QVERIFY(dir.isValid());
    }

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

    // The odd mode's total, conductor and dielectric attenuation and |Zdiff| at each
    // frequency (in GHz on a logarithmic axis); in mils the same figures per inch, and
    // the report in the new unit, with no new run.
    void a_pair_charts_its_differential_mode() {
        open(line_type::coupled_microstrip);
        window().frequencies()->setText(QStringLiteral("100MHz:10GHz:5:log"));
        QVERIFY(window().compute());
        wait_for_run();
        QVERIFY(window().result());
        const line_spectrum &s = window().result()->run.spectrum;
        QCOMPARE(s.n, 2);
        QCOMPARE(s.points.size(), std::size_t(5));
        QCOMPARE(window().result()->title, std::string("Coupled microstrip"));
        std::uint64_t generation = window().runner().generation();
        for (double per_metre : {1.0, 0.0254}) {
            QChart *losses = window().loss_chart();
            QCOMPARE(losses->series().size(), 3);
            QVERIFY(qobject_cast<QLogValueAxis *>(losses->axes(Qt::Horizontal).front()));
            QString unit = per_metre == 1 ? QStringLiteral("dB/m") : QStringLiteral("dB/in");
            QVERIFY(losses->axes(Qt::Vertical).front()->titleText().contains(unit));
            QVERIFY(losses->title().contains(QStringLiteral("differential")));
            QLineSeries *z = series(window().impedance_chart(), 0);
            QCOMPARE(z->name(), QStringLiteral("|Zdiff|"));
            for (int k = 0; k < 3; ++k)
                QCOMPARE(series(losses, k)->count(), 5);
            QCOMPARE(z->count(), 5);
            for (int i = 0; i < 5; ++i) {
                const spectrum_point &p = s.points[std::size_t(i)];
                mode_figures m = spectrum_mode_figures(p, spectrum_odd_mode(p));
                const double expected[3] = {m.alpha_db, m.alpha_conductor_db,
                                            m.alpha_dielectric_db};
                for (int k = 0; k < 3; ++k) {
                    QCOMPARE(series(losses, k)->at(i).x(), p.f / 1e9);
                    QCOMPARE(series(losses, k)->at(i).y(), expected[k] * per_metre);
                }
                QCOMPARE(z->at(i).x(), p.f / 1e9);
                QCOMPARE(z->at(i).y(), std::abs(p.zdiff));
                // Both causes lose, and the total is their sum.
                QVERIFY(m.alpha_conductor_db > 0 && m.alpha_dielectric_db > 0);
                QVERIFY(std::fabs(m.alpha_db - m.alpha_conductor_db - m.alpha_dielectric_db) <=
                        1e-12 * m.alpha_db);
            }
            // The dielectric's share grows with frequency.
            QVERIFY(series(losses, 2)->at(4).y() > 10 * series(losses, 2)->at(0).y());
            length_unit shown = per_metre == 1 ? length_unit::mm : length_unit::mil;
            for (const std::string &line : spectrum_report(s, shown))
                QVERIFY2(window().report()->toPlainText().contains(QString::fromStdString(line)),
                         line.c_str());
            app->action("view_mil")->trigger();
        }
        QVERIFY(window().report()->toPlainText().contains(QStringLiteral(" dB/in")));
        QCOMPARE(window().runner().generation(), generation);
    }

    // A single line over a list with DC in it: the CSV holds every frequency, the charts
    // those above 0; the Touchstone file asks for a length, then holds the S-parameters
    // of the length given, titled with the line and its options.
    void exports_write_the_tables_and_the_s_parameters() {
        open(line_type::microstrip);
        window().frequencies()->setText(QStringLiteral("0, 1GHz, 2.5GHz, 5GHz"));
        QVERIFY(window().compute());
        wait_for_run();
        QVERIFY(window().result());
        QCOMPARE(series(window().loss_chart(), 0)->count(), 3);
        QCOMPARE(series(window().impedance_chart(), 0)->name(), QStringLiteral("|Z0|"));
        QString csv = dir.filePath(QStringLiteral("microstrip.csv"));
        QString error;
        QVERIFY2(window().export_csv(csv, error), qPrintable(error));
        QCOMPARE(file_text(csv),
                 QString::fromStdString(spectrum_csv(window().result()->run.spectrum)));
        QString s2p = dir.filePath(QStringLiteral("microstrip.s2p"));
        QVERIFY(!window().save_touchstone(s2p, error));
        QVERIFY(error.contains(QStringLiteral("length")));
        QVERIFY(!QFile::exists(s2p));

        window().length_field()->setText(QStringLiteral("25"));
        QVERIFY(window().compute());
        wait_for_run();
        const frequency_result &r = *window().result();
        QCOMPARE(r.run.spectrum.length, 0.025);
        QVERIFY(r.options.size() > 3);
        for (const char *typed : {"w 0.3 mm", "h 0.2 mm", "epsilon-r 4.4"})
            QVERIFY2(std::find(r.options.begin(), r.options.end(), typed) != r.options.end(),
                     typed);
        QVERIFY2(window().save_touchstone(s2p, error), qPrintable(error));
        QString text = file_text(s2p);
        QCOMPARE(text, QString::fromStdString(spectrum_touchstone("Microstrip", r.options,
                                                                  r.run.spectrum, r.run.settings)));
        QVERIFY(text.contains(QStringLiteral("25 mm of Microstrip")));
        QString missing = dir.filePath(QStringLiteral("no/such/dir/microstrip.s2p"));
        QVERIFY(!window().save_touchstone(missing, error));
        QVERIFY(error.contains(QStringLiteral("microstrip.s2p")));
    }

    // A cross-section file runs as it is: its regions carry their loss tangents, so those
    // rows are off, and the Touchstone file's title names the file, with no options.
    void a_cross_section_file_runs_as_it_is() {
        cross_section section{};
        std::wstring reason;
        QVERIFY(line_build(line_input_start(line_type::coupled_microstrip), section, reason));
        QString path = dir.filePath(QStringLiteral("pair.json"));
        std::string error;
        QVERIFY2(xs_write(path.toStdString(), section, error), error.c_str());
        open(line_type::microstrip);
        QVERIFY(window().materials()->field("tan-delta")->isEnabled());
        QString why;
        QVERIFY2(app->open_design(path, why), qPrintable(why));
        QVERIFY(app->lines()->showing_file());
        for (const char *tangent : {"tan-delta", "tan-delta2", "tan-delta-mask"})
            QVERIFY2(!window().materials()->field(tangent)->isEnabled(), tangent);
        window().frequencies()->setText(QStringLiteral("1GHz, 3GHz"));
        window().length_field()->setText(QStringLiteral("10"));
        QVERIFY(window().compute());
        wait_for_run();
        QVERIFY(window().result());
        QCOMPARE(window().result()->title, "Cross-section " + path.toStdString());
        QVERIFY(window().result()->options.empty());
        QCOMPARE(window().result()->run.spectrum.n, 2);
        QString s4p = dir.filePath(QStringLiteral("pair.s4p"));
        QVERIFY2(window().save_touchstone(s4p, why), qPrintable(why));
        QVERIFY(file_text(s4p).contains(QStringLiteral("10 mm of Cross-section ") + path));
    }

    // Each refused text says why, tints its field and asks nothing of the runner; the
    // materials the run itself refuses come back with their reason and no result.
    void refused_inputs_say_why_and_compute_nothing() {
        open(line_type::microstrip);
        QLineEdit *frequencies = window().frequencies();
        for (const char *typed : {"10GHz:1GHz:5", "1GHz, 500MHz", "2 parsecs"}) {
            frequencies->setText(QString::fromUtf8(typed));
            std::vector<double> hz;
            std::string why;
            bool sweep = std::string(typed).find(':') != std::string::npos;
            QVERIFY(!(sweep ? frequency_sweep_parse(typed, hz, why)
                            : frequency_list_parse(typed, hz, why)));
            verify_refused(QStringLiteral("Frequencies: ") + QString::fromStdString(why));
            QCOMPARE(frequencies->palette().color(QPalette::Base), QColor(255, 220, 220));
        }
        frequencies->setText(QStringLiteral("1GHz"));
        auto *conductivity = qobject_cast<QLineEdit *>(window().materials()->field("conductivity"));
        conductivity->setText(QStringLiteral("-1"));
        loss_input loss;
        verify_refused(
            QString::fromStdString(loss_option_set(loss, "conductivity", "-1", length_unit::mm)));
        QCOMPARE(conductivity->palette().color(QPalette::Base), QColor(255, 220, 220));
        QCOMPARE(frequencies->palette().color(QPalette::Base), QPalette().color(QPalette::Base));
        conductivity->clear();
        window().length_field()->setText(QStringLiteral("-2"));
        verify_refused(QStringLiteral("Length '-2' refused: a positive length of line, or empty "
                                      "for no S-parameters"));
        window().length_field()->clear();
        window().reference_field()->setText(QStringLiteral("0"));
        verify_refused(
            QStringLiteral("Reference impedance '0' refused: a positive number of ohms"));
        window().reference_field()->setText(QStringLiteral("50"));
        // A line field emptied on the page is refused as the page refuses it.
        app->lines()->form()->field(line_option::w)->clear();
        verify_refused(QStringLiteral("--w: type a value"));
        app->lines()->form()->field(line_option::w)->setText(QStringLiteral("0.3"));

        // Hammerstad's model without its rms height: the row is offered, and the run
        // refuses the pair before solving anything.
        QWidget *rms = window().materials()->field("roughness-rms");
        QVERIFY(!rms->isEnabled());
        auto *roughness = qobject_cast<QComboBox *>(window().materials()->field("roughness"));
        roughness->setCurrentIndex(roughness->findData(QStringLiteral("hammerstad")));
        QVERIFY(rms->isEnabled());
        QVERIFY(window().compute());
        wait_for_run();
        QVERIFY(!window().result());
        QCOMPARE(window().state()->text(),
                 QStringLiteral("--roughness hammerstad needs --roughness-rms"));
        QVERIFY(window().loss_chart()->series().isEmpty());
    }

    // Closing the window mid-run cancels it: nothing comes back. Closing the program
    // mid-run takes the window, its runner and the run with it.
    void closing_during_a_run_ends_it() {
        open(line_type::coupled_microstrip);
        window().frequencies()->setText(QStringLiteral("10MHz:50GHz:2000:log"));
        QVERIFY(window().compute());
        QVERIFY(window().runner().busy());
        window().close();
        QVERIFY(!window().runner().busy());
        QCOMPARE(window().state()->text(), QStringLiteral("Cancelled"));
        QTest::qWait(200);
        QVERIFY(!window().result());

        app->action("calc_losses")->trigger();
        QVERIFY(window().compute());
        QPointer<line_frequency_window> gone = &window();
        app.reset();
        QVERIFY(gone.isNull());
        app = std::make_unique<main_window>(blank_bitmap());
    }
};

QTEST_MAIN(line_frequency_test)
#include "line_frequency_test.moc"
