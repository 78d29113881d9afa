// Picture files on the engine thread: encoding by suffix and writing through the safe writer.
#include "picturejobs.h"

#include "io.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageWriter>
#include <QObject>

namespace {

QByteArray formatOf(const QString &path) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == "svg") return "svg";
    if (suffix == "webp" && QImageWriter::supportedImageFormats().contains("webp")) return "webp";
    return "png";
}

// Writes the picture (the image, or for SVG the text) to path; false with the reason in *why.
bool writePicture(const QImage &image, const std::string &svg, const QString &path, QString *why) {
    const QByteArray format = formatOf(path);
    QByteArray bytes;
    if (format == "svg") {
        bytes = QByteArray::fromStdString(svg);
    } else {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QImageWriter writer(&buffer, format);
        if (!writer.write(image)) {
            *why = QObject::tr("The picture could not be encoded: %1").arg(writer.errorString());
            return false;
        }
    }
    std::string err;
    if (!ioWriteFile(QFile::encodeName(path).toStdString(), bytes.constData(), size_t(bytes.size()),
                     &err)) {
        *why = QString::fromLocal8Bit(err.c_str());
        return false;
    }
    return true;
}

bool cancelled(const lsys_cancel_t *cancel) {
    return cancel && cancel->load();
}

} // namespace

QStringList pictureNameFilters() {
    QStringList filters{QObject::tr("PNG image (*.png)")};
    if (QImageWriter::supportedImageFormats().contains("webp"))
        filters << QObject::tr("WebP image (*.webp)");
    return filters << QObject::tr("SVG drawing (*.svg)");
}

QString growthFramePath(const QString &path, int frame, int frames) {
    const QFileInfo info(path);
    const int digits = qMax(4, int(QString::number(qMax(frames - 1, 0)).size()));
    const QString name = info.completeBaseName() + "-" +
                         QString("%1").arg(frame, digits, 10, QLatin1Char('0')) +
                         (info.suffix().isEmpty() ? QString() : "." + info.suffix());
    return info.dir().filePath(name);
}

namespace {

job_outcome_t pictureFileUnguarded(const description_t &d, render_request_t r, const QString &path,
                                   const lsys_cancel_t *cancel) {
    if (formatOf(path) != "svg") {
        job_outcome_t out = renderJob(d, r, cancel);
        out.ok = out.ok && writePicture(out.image, std::string(), path, &out.why);
        return out;
    }
    job_outcome_t out;
    r.growth = d.growth;
    r.ceilings = &lsysWindowCeilings;
    r.cancel = cancel;
    std::string svg, why;
    if (!renderDescriptionSvg(d.text.constData(), r, nullTrace, &svg, &why))
        out.why = QString::fromLocal8Bit(why.c_str());
    else if (cancelled(cancel))
        out.why = QObject::tr("The picture was cancelled.");
    else
        out.ok = writePicture(QImage(), svg, path, &out.why);
    return out;
}

job_outcome_t growthFramesUnguarded(const description_t &d, render_request_t r, float from,
                                    float to, int frames, const QString &path,
                                    std::atomic<int> *done, const lsys_cancel_t *cancel) {
    job_outcome_t out;
    r.ceilings = &lsysWindowCeilings;
    r.cancel = cancel;
    std::string why;
    QString failed;
    out.ok = renderGrowthFrames(
        d.text.constData(), r, from, to, frames, formatOf(path) == "svg", nullTrace,
        [&](int i, float, const QImage &image, const std::string &svg) {
            if (cancelled(cancel) ||
                !writePicture(image, svg, growthFramePath(path, i, frames), &failed))
                return false;
            ++*done;
            return true;
        },
        &why);
    if (cancelled(cancel))
        out.why = QObject::tr("The animation was cancelled.");
    else if (!out.ok)
        out.why = failed.isEmpty() ? QString::fromLocal8Bit(why.c_str()) : failed;
    out.ok = out.ok && !cancelled(cancel);
    return out;
}

} // namespace

job_outcome_t pictureFileJob(const description_t &d, render_request_t r, const QString &path,
                             const lsys_cancel_t *cancel) {
    return guardedJob([&] { return pictureFileUnguarded(d, r, path, cancel); });
}

job_outcome_t growthFramesJob(const description_t &d, render_request_t r, float from, float to,
                              int frames, const QString &path, std::atomic<int> *done,
                              const lsys_cancel_t *cancel) {
    return guardedJob(
        [&] { return growthFramesUnguarded(d, r, from, to, frames, path, done, cancel); });
}
