// Draws the branding bitmaps of the main window's header into resources/.
//
// Build and run from the top of the checkout (needs only Qt Gui):
//   g++ -std=c++20 -fPIC scripts/drawlogos.cpp $(pkg-config --cflags --libs Qt6Gui) -o
//   /tmp/drawlogos QT_QPA_PLATFORM=offscreen /tmp/drawlogos resources
//
// The pictures are committed; run this again only to change them. Each is
// drawn twice: at its size, and at twice its size for screens at scale 2
// ("name@2x.png", which the program takes there). Every company and mark
// drawn here is invented for this program.
#include <QDir>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <cstdio>

static const QColor bandBlue(0x00, 0x80, 0xFF);
static const QColor bandWhite(0xFF, 0xFF, 0xFF);
static const QColor markRed(0xE0, 0x20, 0x20);

// A picture of w x h pixels at scale 1, drawn at the given scale.
static QImage Canvas(int w, int h, const QColor &band, int scale) {
    QImage img(w * scale, h * scale, QImage::Format_RGB32);
    img.fill(band);
    return img;
}

// The maker's mark: a CCD line of cells crossed by a light beam.
static void DrawSensorMark(QPainter &p, const QRectF &box, const QColor &cells) {
    const int n = 8;
    double cw = box.width() / n;
    double ch = box.height() * 0.4;
    double y = box.center().y() - ch / 2;
    for (int i = 0; i < n; i++)
        p.fillRect(QRectF(box.left() + i * cw + 0.5, y, cw - 1, ch), cells);
    p.setPen(QPen(markRed, 2.0));
    p.drawLine(QPointF(box.left() + box.width() * 0.55, box.top()),
               QPointF(box.left() + box.width() * 0.45, box.bottom()));
}

static void Wordmark(QPainter &p, const QRectF &box, const QString &text, const QColor &colour,
                     int pixelSize, bool bold) {
    QFont f("DejaVu Sans");
    f.setPixelSize(pixelSize);
    f.setBold(bold);
    f.setLetterSpacing(QFont::AbsoluteSpacing, 1.0);
    p.setFont(f);
    p.setPen(colour);
    p.drawText(box, Qt::AlignLeft | Qt::AlignVCenter, text);
}

// Variant 2: small white mark on the blue band, above the program name.
static QImage Logo2(int scale) {
    QImage img = Canvas(160, 24, bandBlue, scale);
    QPainter p(&img);
    p.scale(scale, scale);
    p.setRenderHint(QPainter::Antialiasing);
    DrawSensorMark(p, QRectF(2, 2, 36, 20), Qt::white);
    Wordmark(p, QRectF(44, 0, 116, 24), "VORTELIX", Qt::white, 16, true);
    return img;
}

// Variant 3: the maker's mark, larger, on the white band.
static QImage Logo3(int scale) {
    QImage img = Canvas(180, 50, bandWhite, scale);
    QPainter p(&img);
    p.scale(scale, scale);
    p.setRenderHint(QPainter::Antialiasing);
    DrawSensorMark(p, QRectF(4, 8, 48, 34), bandBlue);
    Wordmark(p, QRectF(60, 4, 120, 26), "VORTELIX", bandBlue, 20, true);
    Wordmark(p, QRectF(60, 28, 120, 16), "Sensorik", QColor(0x80, 0x80, 0x80), 12, false);
    return img;
}

// Variant 4: a distributor with a quartz crystal, on the blue band.
static QImage Logo4(int scale) {
    QImage img = Canvas(180, 50, bandBlue, scale);
    QPainter p(&img);
    p.scale(scale, scale);
    p.setRenderHint(QPainter::Antialiasing);
    QPolygonF crystal;
    crystal << QPointF(26, 4) << QPointF(40, 14) << QPointF(40, 36) << QPointF(26, 46)
            << QPointF(12, 36) << QPointF(12, 14);
    p.setPen(QPen(Qt::white, 2.0));
    p.setBrush(QColor(0xBF, 0xE0, 0xFF));
    p.drawPolygon(crystal);
    p.drawLine(QPointF(26, 4), QPointF(26, 46));
    Wordmark(p, QRectF(50, 4, 130, 26), "QUARZFELD", Qt::white, 18, true);
    Wordmark(p, QRectF(50, 28, 130, 16), "Messtechnik", Qt::white, 12, false);
    return img;
}

// Variant 6: a distributor with a lens, on the white band.
static QImage Logo6(int scale) {
    QImage img = Canvas(180, 50, bandWhite, scale);
    QPainter p(&img);
    p.scale(scale, scale);
    p.setRenderHint(QPainter::Antialiasing);
    QColor green(0x20, 0x80, 0x50);
    p.setPen(QPen(green, 3.0));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(25, 25), 19, 19);
    QPainterPath lens;
    lens.moveTo(25, 9);
    lens.quadTo(35, 25, 25, 41);
    lens.quadTo(15, 25, 25, 9);
    p.setPen(QPen(green, 1.5));
    p.setBrush(QColor(0xD0, 0xF0, 0xE0));
    p.drawPath(lens);
    Wordmark(p, QRectF(50, 4, 130, 26), "BRINDLEWICK", green, 14, true);
    Wordmark(p, QRectF(50, 28, 130, 16), "Optical", QColor(0x80, 0x80, 0x80), 12, false);
    return img;
}

int main(int argc, char **argv) {
    QGuiApplication app(argc, argv);
    QDir out(argc > 1 ? argv[1] : "resources");
    struct {
        const char *name;
        QImage (*draw)(int scale);
    } logos[] = {
        {"VTLXlogo2", Logo2}, {"VTLXlogo3", Logo3}, {"VTLXlogo4", Logo4}, {"VTLXlogo6", Logo6}};
    for (auto &l : logos) {
        for (int scale : {1, 2}) {
            const QString path = out.filePath(QString(l.name) + (scale == 1 ? ".png" : "@2x.png"));
            if (!l.draw(scale).save(path)) {
                std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
                return 1;
            }
            std::printf("%s\n", qPrintable(path));
        }
    }
    return 0;
}
