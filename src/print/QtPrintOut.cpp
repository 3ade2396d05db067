#include "print/QtPrintOut.h"

#include <QFontMetricsF>
#include <QPagedPaintDevice>
#include <QPdfWriter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QSaveFile>

namespace {

constexpr double kMmPerInch = 25.4;

}  // namespace

void PainterPrintSink::beginJob(const PrintGeometry& g) {
    QFont::insertSubstitution(QString::fromUtf8(kPrintFont), QStringLiteral("IPAGothic"));
    device_.setPageOrientation(g.orient == kPrintPortrait ? QPageLayout::Portrait
                                                          : QPageLayout::Landscape);
    began_ = painter_.begin(&device_);
    if (!began_) {
        return;
    }
    pxPerMmX_ = device_.logicalDpiX() / kMmPerInch;
    pxPerMmY_ = device_.logicalDpiY() / kMmPerInch;
    font_ = QFont(QString::fromUtf8(kPrintFont));
    font_.setBold(false);
    setFontSize(kPrintFontSize);
    painter_.setBrush(Qt::NoBrush);
}

void PainterPrintSink::setFontSize(int points) {
    font_.setPointSize(points);
    painter_.setFont(font_);
    ascent_ = QFontMetricsF(font_, &device_).ascent();
}

QPointF PainterPrintSink::at(int x, int y) const {
    return {x * pxPerMmX_, y * pxPerMmY_};
}

void PainterPrintSink::drawPage(const PageOps& ops) {
    if (!began_) {
        return;
    }
    if (!firstPage_) {
        device_.newPage();  // a refused page break is skipped
    }
    firstPage_ = false;
    for (const PrintOp& op : ops) {
        switch (op.kind) {
            case PrintOp::Kind::Rect:
            case PrintOp::Kind::Line:
                painter_.setPen(QPen(Qt::black, op.width * kLineUnitMm * pxPerMmX_));
                if (op.kind == PrintOp::Kind::Rect) {
                    painter_.drawRect(QRectF(at(op.x1, op.y1), at(op.x2, op.y2)));
                } else {
                    painter_.drawLine(at(op.x1, op.y1), at(op.x2, op.y2));
                }
                break;
            case PrintOp::Kind::Text:
                if (op.fontSize != font_.pointSize()) {
                    setFontSize(op.fontSize);
                }
                // The position is the top of the text; QPainter places the baseline.
                painter_.drawText(at(op.x1, op.y1) + QPointF(0, ascent_),
                                  QString::fromStdString(op.text));
                break;
        }
    }
}

void PainterPrintSink::endJob() {
    if (began_) {
        painter_.end();
    }
}

void PainterPrintSink::abortJob() {
    aborted_ = true;
    if (auto* printer = dynamic_cast<QPrinter*>(&device_); printer != nullptr && began_) {
        printer->abort();
    }
    endJob();
}

bool QtPrinterOutput::hasPrinter() const {
    return !QPrinterInfo::availablePrinters().isEmpty();
}

void QtPrinterOutput::print(const PrintRequest& request, const PrintSource& src, int32_t top,
                            Progress& progress) {
    QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (info.isNull()) {
        const QList<QPrinterInfo> printers = QPrinterInfo::availablePrinters();
        if (printers.isEmpty()) {
            return;
        }
        info = printers.first();
    }
    QPrinter printer(info, QPrinter::HighResolution);
    printer.setDocName(QStringLiteral("Vexlo"));
    PainterPrintSink sink(printer);
    PrintMonitor(request, src, top, sink, progress);
}

bool printToPdf(const std::string& path, const PrintRequest& request, const PrintSource& src,
                int32_t top, Progress& progress) {
    QSaveFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::WriteOnly)) {
        return false;
    }
    bool began = false;
    {
        QPdfWriter writer(&file);
        writer.setCreator(QStringLiteral("Vexlo"));
        writer.setPageSize(QPageSize(QPageSize::A4));
        writer.setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
        PainterPrintSink sink(writer);
        PrintMonitor(request, src, top, sink, progress);
        began = sink.began() && !sink.aborted();
    }
    if (!began) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}
