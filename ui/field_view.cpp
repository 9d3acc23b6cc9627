// The field view: the drive's solve and the potential on the grid on the runner's
// thread; the colour map, the equipotentials, the charges and the section's outline on
// the window's.
#include "ui/field_view.h"

#include "ui/painting/contours.h"
#include "ui/painting/section_layout.h"
#include "ui/save_file.h"
#include "ui/section_picture.h"

#include <QBuffer>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QImage>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QSvgGenerator>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <memory>

namespace {

// Diverging colours: blue for the most negative potential, white for 0, red for the most
// positive.
QRgb colour_of(double v) {
    double t = std::clamp(v, -1.0, 1.0);
    auto mix = [](double a, double b, double u) { return int(std::lround(a + (b - a) * u)); };
    if (t >= 0) return qRgb(mix(255, 200, t), mix(255, 30, t), mix(255, 40, t));
    return qRgb(mix(255, 40, -t), mix(255, 80, -t), mix(255, 200, -t));
}

} // namespace

void paint_field(QPainter &painter, const QRectF &target, const field_picture &picture) {
    section_frame f = section_frame_in(picture.section, target, false);
    const field_map &m = picture.map;
    double top = 0;
    for (double v : m.potential) {
        if (std::isfinite(v)) top = std::max(top, std::fabs(v));
    }
    if (!(top > 0)) top = 1;
    QImage image(m.nx, m.ny, QImage::Format_ARGB32);
    for (int j = 0; j < m.ny; ++j) {
        for (int i = 0; i < m.nx; ++i) {
            double v = m.potential[std::size_t(j) * std::size_t(m.nx) + std::size_t(i)];
            image.setPixel(i, m.ny - 1 - j, std::isfinite(v) ? colour_of(v / top) : 0);
        }
    }
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    QRectF clip = f.clip();
    painter.drawImage(clip, image);
    painter.setClipRect(clip);
    // Equipotentials at every tenth of the largest potential.
    std::vector<double> levels;
    for (int k = -9; k <= 9; ++k) {
        if (k != 0) levels.push_back(top * k / 10.0);
    }
    auto lines = contour_lines(m.potential, m.nx, m.ny, levels);
    double dx = clip.width() / (m.nx - 1), dy = clip.height() / (m.ny - 1);
    painter.setPen(QPen(QColor(40, 40, 40, 170), 0.8));
    for (const auto &level : lines) {
        for (const contour_segment &s : level) {
            painter.drawLine(QPointF(clip.left() + s.x1 * dx, clip.bottom() - s.y1 * dy),
                             QPointF(clip.left() + s.x2 * dx, clip.bottom() - s.y2 * dy));
        }
    }
    painter.restore();
    paint_section(painter, target, picture.section, {}, false, section_fill::outline);
    // The free charge density drawn out from each conductor panel: a band whose outer edge
    // is the density's profile, orange for positive charge and cyan for negative. Nine
    // panels in ten reach at most a tenth of the drawing's height; the corners' singular
    // peaks are cut at twice that.
    std::vector<double> sizes;
    for (const auto &c : m.charges)
        sizes.push_back(std::fabs(c.density));
    double largest = 0;
    if (!sizes.empty()) {
        auto ninth = sizes.begin() + std::ptrdiff_t(sizes.size() * 9 / 10);
        std::nth_element(sizes.begin(), ninth, sizes.end());
        largest = *ninth;
    }
    if (largest > 0) {
        painter.save();
        painter.setRenderHint(QPainter::Antialiasing);
        double reach = 0.1 * clip.height() / largest;
        for (const auto &c : m.charges) {
            QPointF a = f.at(c.a), b = f.at(c.b);
            double length = std::min(std::fabs(c.density) * reach, 0.2 * clip.height());
            QPointF out(c.normal.x * length, -c.normal.y * length);
            QPolygonF band;
            band << a << b << b + out << a + out;
            painter.setPen(Qt::NoPen);
            painter.setBrush(c.density >= 0 ? QColor(255, 150, 0, 200) : QColor(0, 190, 220, 200));
            painter.drawPolygon(band);
            painter.setPen(QPen(QColor(20, 20, 20), 1.2));
            painter.drawLine(a + out, b + out);
        }
        painter.restore();
    }
    // The colour scale: a bar from -top to +top volts in the top right corner.
    QRectF bar(target.right() - 166, target.top() + 8, 120, 10);
    for (int k = 0; k < int(bar.width()); ++k) {
        painter.setPen(QColor(colour_of(2.0 * k / (bar.width() - 1) - 1)));
        painter.drawLine(QPointF(bar.left() + k, bar.top()), QPointF(bar.left() + k, bar.bottom()));
    }
    painter.setPen(QColor(20, 20, 20));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(bar);
    painter.drawText(QRectF(bar.left() - 70, bar.top() - 4, 66, 18),
                     Qt::AlignRight | Qt::AlignVCenter,
                     QStringLiteral("%1 V").arg(-top, 0, 'g', 3));
    painter.drawText(QRectF(bar.right() + 4, bar.top() - 4, 66, 18),
                     Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("%1 V").arg(top, 0, 'g', 3));
    if (!picture.title.isEmpty())
        painter.drawText(target.adjusted(6, 4, -6, -4), Qt::AlignTop | Qt::AlignLeft,
                         picture.title);
}

class field_canvas : public QWidget {
  public:
    explicit field_canvas(field_view *view) : QWidget(view), view_(view) {
        setMinimumSize(480, 320);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    }

  protected:
    void paintEvent(QPaintEvent *) override {
        QPainter painter(this);
        painter.fillRect(rect(), Qt::white);
        if (view_->picture()) paint_field(painter, QRectF(rect()), *view_->picture());
    }

  private:
    field_view *view_;
};

field_view::field_view(QWidget *parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("field_view"));
    setWindowTitle(QStringLiteral("Field"));
    auto *column = new QVBoxLayout(this);
    auto *row = new QHBoxLayout;
    modes_ = new QComboBox(this);
    modes_->setObjectName(QStringLiteral("field_mode"));
    state_ = new QLabel(this);
    auto *save = new QPushButton(QStringLiteral("&Save Picture..."), this);
    save->setObjectName(QStringLiteral("field_save"));
    row->addWidget(new QLabel(QStringLiteral("Drive:"), this));
    row->addWidget(modes_);
    row->addWidget(state_, 1);
    row->addWidget(save);
    column->addLayout(row);
    canvas_ = new field_canvas(this);
    column->addWidget(canvas_, 1);
    connect(modes_, &QComboBox::currentIndexChanged, this, [this] { recompute(); });
    connect(save, &QPushButton::clicked, this, &field_view::save_dialog);
    connect(&runner_, &newest_runner::busy_changed, this, [this](bool busy) {
        if (busy) state_->setText(QStringLiteral("Computing the field..."));
    });
    resize(760, 520);
}

void field_view::set_section(const cross_section &section) {
    section_ = section;
    has_section_ = true;
    bool pair = section.electrode_count == 2;
    QStringList wanted = pair ? QStringList{QStringLiteral("Odd mode (V1 = 1 V, V2 = -1 V)"),
                                            QStringLiteral("Even mode (V1 = V2 = 1 V)")}
                              : QStringList{QStringLiteral("Signal at 1 V")};
    QStringList shown;
    for (int i = 0; i < modes_->count(); ++i)
        shown << modes_->itemText(i);
    if (shown != wanted) {
        QSignalBlocker quiet(modes_);
        modes_->clear();
        modes_->addItems(wanted);
    }
    recompute();
}

void field_view::set_note(const QString &note) {
    has_section_ = false;
    runner_.cancel();
    picture_.reset();
    state_->setText(note);
    canvas_->update();
}

void field_view::set_mode(int mode) {
    modes_->setCurrentIndex(mode);
}

void field_view::recompute() {
    if (!has_section_) return;
    std::vector<double> volts(std::size_t(std::max(section_.electrode_count, 1)), 1.0);
    if (volts.size() == 2 && modes_->currentIndex() == 0) volts[1] = -1;
    QString title = modes_->currentText();
    cross_section section = section_;
    runner_.request([this, section, volts, title](const calc_env &env) -> std::function<void()> {
        auto picture = std::make_shared<field_picture>();
        picture->section = section;
        picture->title = title;
        section_box box = section_view_box(section);
        std::wstring why;
        bool ok = field_map_compute(env, section, box.left, box.bottom, box.right, box.top, volts,
                                    24000, picture->map, why);
        if (env_cancelled(env)) return {};
        return [this, ok, picture, why] {
            if (ok)
                picture_ = *picture;
            else
                picture_.reset();
            state_->setText(ok ? QString() : QString::fromStdWString(why));
            canvas_->update();
        };
    });
}

bool field_view::save(const QString &path, QString &error) const {
    if (!picture_) {
        error = QStringLiteral("%1: the field has not been computed yet").arg(path);
        return false;
    }
    QSize size(1200, 800);
    if (path.endsWith(QStringLiteral(".svg"), Qt::CaseInsensitive)) {
        QByteArray bytes;
        QBuffer buffer(&bytes);
        QSvgGenerator svg;
        svg.setOutputDevice(&buffer);
        svg.setSize(size);
        svg.setViewBox(QRect(QPoint(0, 0), size));
        svg.setTitle(picture_->title);
        QPainter painter(&svg);
        painter.fillRect(QRect(QPoint(0, 0), size), Qt::white);
        paint_field(painter, QRectF(QPointF(0, 0), QSizeF(size)), *picture_);
        painter.end();
        return save_file(path, bytes.toStdString(), error);
    }
    QImage image(size, QImage::Format_ARGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    paint_field(painter, QRectF(QPointF(0, 0), QSizeF(size)), *picture_);
    painter.end();
    QByteArray bytes;
    QBuffer buffer(&bytes);
    image.save(&buffer, "PNG");
    return save_file(path, bytes.toStdString(), error);
}

void field_view::save_dialog() {
    QString path = QFileDialog::getSaveFileName(
        this, QStringLiteral("Save Field Picture"), QStringLiteral("field.png"),
        QStringLiteral("PNG image (*.png);;SVG drawing (*.svg)"));
    if (path.isEmpty()) return;
    QString error;
    if (!save(path, error)) QMessageBox::warning(this, QStringLiteral("Save Field Picture"), error);
}
