// Pictures of graphs through the plotting library's painter.
#include "platform/widgets/graphpicture.h"

#include "platform/widgets/registry.h"

#include <QBuffer>
#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QImageWriter>
#include <QPdfWriter>
#include <QSaveFile>
#include <QSvgGenerator>
#include <qcustomplot.h>

#include <cstring>

namespace {

// Graphs and strip charts are both QCustomPlot widgets.
QCustomPlot *FindPlot(int panel, int graph) {
    Panel *p;
    QWidget *w;
    return Find(panel, graph, &p, &w) ? qobject_cast<QCustomPlot *>(w) : nullptr;
}

void Tell(char *reason, const QString &text) {
    if (!reason) return;
    const QByteArray bytes = QFile::encodeName(text).left(kTextBytes - 1);
    std::memcpy(reason, bytes.constData(), size_t(bytes.size()));
    reason[bytes.size()] = '\0';
}

// Draws the plot on a vector device (PDF, SVG) at width x height pixels.
bool PaintOn(QCustomPlot *plot, QPaintDevice *device, int width, int height) {
    QCPPainter painter;
    if (!painter.begin(device)) return false;
    plot->toPainter(&painter, width, height);
    return painter.end();
}

bool Render(QCustomPlot *plot, QIODevice *out, int kind, int width, int height) {
    switch (kind) {
    case PICTURE_PNG:
    case PICTURE_JPG: {
        QImageWriter writer(out, kind == PICTURE_PNG ? "png" : "jpg");
        if (kind == PICTURE_JPG) writer.setQuality(95);
        return writer.write(plot->toPixmap(width, height).toImage());
    }
    case PICTURE_PDF: {
        QPdfWriter pdf(out);
        pdf.setCreator(QStringLiteral("VORTELIX-Riror"));
        pdf.setResolution(96); // one plot pixel per point of the page's 96 dpi
        pdf.setPageSize(QPageSize(QSizeF(width, height) * 72.0 / 96.0, QPageSize::Point));
        pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
        return PaintOn(plot, &pdf, width, height);
    }
    case PICTURE_SVG: {
        QSvgGenerator svg;
        svg.setOutputDevice(out);
        svg.setSize(QSize(width, height));
        svg.setViewBox(QRect(0, 0, width, height));
        svg.setTitle(QStringLiteral("VORTELIX-Riror"));
        return PaintOn(plot, &svg, width, height);
    }
    default: return false;
    }
}

} // namespace

int SaveGraphPicture(int panel, int graph, const char *path, int kind, int width, int height,
                     char *reason) {
    QCustomPlot *plot = FindPlot(panel, graph);
    if (!plot || !path || !*path || kind < PICTURE_PNG || kind > PICTURE_JPG || width < 0 ||
        height < 0) {
        Tell(reason, QStringLiteral("no such graph"));
        return GRAPHPICTURE_NO_GRAPH;
    }
    if (width == 0) width = plot->width();
    if (height == 0) height = plot->height();
    QSaveFile file(QFile::decodeName(path));
    if (!file.open(QIODevice::WriteOnly)) {
        Tell(reason, file.errorString());
        return GRAPHPICTURE_WRITE_FAILED;
    }
    if (!Render(plot, &file, kind, width, height)) {
        Tell(reason, file.error() != QFileDevice::NoError
                         ? file.errorString()
                         : QStringLiteral("the picture could not be drawn"));
        file.cancelWriting();
        return GRAPHPICTURE_WRITE_FAILED;
    }
    if (!file.commit()) {
        Tell(reason, file.errorString());
        return GRAPHPICTURE_WRITE_FAILED;
    }
    return 0;
}

int CopyGraphPicture(int panel, int graph) {
    QCustomPlot *plot = FindPlot(panel, graph);
    QClipboard *clipboard = QGuiApplication::clipboard();
    if (!plot || !clipboard) return GRAPHPICTURE_NO_GRAPH;
    clipboard->setImage(plot->toPixmap().toImage());
    return 0;
}

int GraphPictureData(int panel, int graph, int width, int height, std::vector<unsigned char> *png) {
    QCustomPlot *plot = FindPlot(panel, graph);
    if (!plot || !png || width < 0 || height < 0) return GRAPHPICTURE_NO_GRAPH;
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!Render(plot, &buffer, PICTURE_PNG, width ? width : plot->width(),
                height ? height : plot->height()))
        return GRAPHPICTURE_WRITE_FAILED;
    png->assign(bytes.begin(), bytes.end());
    return 0;
}
