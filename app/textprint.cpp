// Printing the text with wrapped lines and a header on every page.
#include "textprint.h"

#include <QAbstractTextDocumentLayout>
#include <QCoreApplication>
#include <QFontMetricsF>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QTextDocument>
#include <QTextOption>

#include <memory>

bool printText(const QTextDocument *text, const QFont &font, const QString &name,
               QPagedPaintDevice *device) {
    QPainter painter;
    if (!painter.begin(device)) return false;
    // A copy laid out for the device: the editor's own layout does not wrap.
    std::unique_ptr<QTextDocument> doc(text->clone());
    doc->documentLayout()->setPaintDevice(device);
    doc->setDefaultFont(font);
    doc->setDocumentMargin(0);
    QTextOption option = doc->defaultTextOption();
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    doc->setDefaultTextOption(option);

    const QFont headFont(font, device);
    const QFontMetricsF metrics(headFont, device);
    const qreal width = device->width(), line = metrics.height();
    const qreal head = 2 * line; // the header, its rule and a gap
    const QSizeF body(width, qMax(line, device->height() - head));
    doc->setPageSize(body);
    const int pages = doc->pageCount();
    for (int i = 0; i < pages; ++i) {
        if (i > 0) device->newPage();
        painter.save();
        painter.setFont(headFont);
        painter.setPen(Qt::black);
        const QRectF header(0, 0, width, line);
        painter.drawText(header, Qt::AlignLeft | Qt::AlignVCenter, name);
        painter.drawText(
            header, Qt::AlignRight | Qt::AlignVCenter,
            QCoreApplication::translate("printText", "Page %1 of %2").arg(i + 1).arg(pages));
        painter.drawLine(QPointF(0, 1.25 * line), QPointF(width, 1.25 * line));
        painter.translate(0, head - i * body.height());
        QAbstractTextDocumentLayout::PaintContext context;
        context.clip = QRectF(0, i * body.height(), body.width(), body.height());
        painter.setClipRect(context.clip);
        doc->documentLayout()->draw(&painter, context);
        painter.restore();
    }
    return painter.end();
}
