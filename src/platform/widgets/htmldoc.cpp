// HTML documents through QTextDocument, QPrinter, QPrintDialog and QPdfWriter.
#include "platform/widgets/htmldoc.h"

#include "platform/widgets/panel.h"

#include <QApplication>
#include <QBuffer>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QPdfWriter>
#include <QPrintDialog>
#include <QPrinter>
#include <QTextDocument>

static void Fill(QTextDocument *doc, const std::string &html) {
    doc->setHtml(QString::fromStdString(html));
}

int PrintHtmlDocument(const std::string &html, const char *title) {
    if (!qobject_cast<QApplication *>(QCoreApplication::instance())) return -1;
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(QString::fromUtf8(title ? title : ""));
    Panel::noteModalDialog();
    QPrintDialog dialog(&printer, QApplication::activeWindow());
    dialog.setWindowTitle(QString::fromUtf8(title ? title : ""));
    if (dialog.exec() != QDialog::Accepted) return 0;
    QTextDocument doc;
    Fill(&doc, html);
    doc.print(&printer);
    return printer.printerState() == QPrinter::Error ? -1 : 1;
}

// A PDF file needs no printer: QPdfWriter writes it without asking the
// system's print service (and without loading its libraries) for a default
// printer, as a QPrinter would.
int HtmlToPdf(const std::string &html, const char *path) {
    const QString file = QString::fromUtf8(path ? path : "");
    {
        QPdfWriter writer(file);
        if (!writer.pageLayout().isValid()) return -1;
        writer.setResolution(1200);
        QTextDocument doc;
        Fill(&doc, html);
        doc.print(&writer);
    }
    return QFileInfo(file).size() > 0 ? 0 : -1;
}

int HtmlToPng(const std::string &html, int width, std::vector<unsigned char> *png) {
    if (width <= 0 || !png) return -1;
    QTextDocument doc;
    Fill(&doc, html);
    doc.setTextWidth(width);
    const QSize size(width, int(doc.size().height()) + 1);
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    doc.drawContents(&painter);
    painter.end();
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG")) return -1;
    png->assign(bytes.begin(), bytes.end());
    return 0;
}
