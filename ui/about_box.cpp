// The About box.
#include "ui/about_box.h"

#include "ui/qt_layer.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QUrl>

namespace {

// The program's documentation: the README installed beside the program, or in the
// source tree it was built from; without either, where the command line tells it.
QString documentation_link() {
    for (const QString &path : {QCoreApplication::applicationDirPath() +
                                    QStringLiteral("/../share/doc/orvanta/README.md"),
                                QStringLiteral(ORVANTA_SOURCE_DIR "/README.md")}) {
        QFileInfo readme(path);
        if (readme.isReadable()) {
            return QStringLiteral("<a href=\"%1\">README.md</a>")
                .arg(QUrl::fromLocalFile(readme.canonicalFilePath()).toString());
        }
    }
    return QStringLiteral("orvanta-cli --help");
}

} // namespace

about_box::about_box(QWidget *owner)
    : QDialog(owner, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                         Qt::WindowCloseButtonHint) {
    setWindowTitle(QStringLiteral("About"));
    QFont font = template_font(8);
    setFont(font);
    dialog_base_units base = font_base_units(font);
    auto label = [&](const QString &text, pixel_rect units) {
        auto *l = new QLabel(text, this);
        l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        l->setWordWrap(true);
        place_in_dialog_units(l, units, base);
        return l;
    };

    auto *close = new QPushButton(QStringLiteral("&Close"), this);
    close->setDefault(true);
    place_in_dialog_units(close, {152, 117, 50, 14}, base);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);

    auto *icon = new QLabel(this);
    icon->setPixmap(QIcon(QStringLiteral(":/orvanta/icon.png")).pixmap(32, 32));
    pixel_rect at = dialog_to_pixels({17, 32, 0, 0}, base);
    icon->setGeometry(at.x, at.y, 32, 32);

    label(QStringLiteral("Version:"), {7, 78, 27, 8});
    label(QStringLiteral("Contact:"), {7, 91, 42, 8});
    label(QStringLiteral("1.0"), {60, 78, 12, 8});
    label(QStringLiteral("The Orvanta developers"), {60, 91, 99, 8});
    label(QStringLiteral("Calculator for the characteristic impedance of a double strip "
                         "transmission line with Boundary Element Method / Moment Method.\n\n"
                         "Free software under the MIT licence:\n"
                         "use, copy and change it freely; it comes without any warranty."),
          {60, 7, 142, 67});
    label(QStringLiteral("Link:"), {7, 104, 42, 8});
    QLabel *link = label(documentation_link(), {60, 104, 93, 8});
    link->setObjectName(QStringLiteral("about_link"));
    link->setOpenExternalLinks(true);

    pixel_rect size = dialog_to_pixels({0, 0, 209, 138}, base);
    setFixedSize(size.width, size.height);
}

void about_box::keyPressEvent(QKeyEvent *event) {
    if (event->key() == Qt::Key_Escape) return;
    QDialog::keyPressEvent(event);
}
