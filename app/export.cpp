// Export from the window: the current model as a mesh file (glTF, 3MF, PLY, OBJ, STL) and the
// current picture as a PNG of a chosen size. Both draw the text as the refresh does (growth
// included) and write through the safe writer, so a failure never leaves half a file.
#include "appcontroller.h"

#include "basicopenglview.h"
#include "export.h"
#include "io.h"
#include "preferences.h"
#include "render_image.h"

#include <QBuffer>
#include <QCheckBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <QStatusBar>

// The side of an exported picture is capped like a printed one.
static const int kMaxImageSide = 8192;

QImage AppController::renderPicture(QSize size, bool aa, bool print, QString *error) {
    if (_shownText.isNull() || size.isEmpty()) {
        if (error) *error = tr("There is no picture to draw.");
        return QImage();
    }
    render_request_t r = renderRequestDefaults();
    r.width = size.width();
    r.height = size.height();
    r.aa = aa;
    r.growth = _shownGrowth;
    r.style = oglView->sceneStyle();
    r.print = print;
    r.view = &oglView->scene();
    r.ceilings = &lsysWindowCeilings;
    // The headless context takes this thread's current context away; Qt makes the surface's
    // context current again before it next draws.
    oglView->doneCurrent();
    std::string why;
    const QImage image = renderDescription(_shownText.constData(), r, nullTrace, &why);
    if (image.isNull() && error) *error = QString::fromStdString(why);
    oglView->requestRedraw();
    return image;
}

void AppController::showExportError(const QString &path, const QString &why) {
    showFileError("exportError", tr("\"%1\" could not be written.").arg(path), why);
}

QFileDialog *AppController::exportPanel(const char *name, const QStringList &filters,
                                        const QString &suffix) {
    leaveFullScreen();
    auto *panel = new QFileDialog(this, tr("Export"));
    panel->setObjectName(name);
    panel->setOption(QFileDialog::DontUseNativeDialog);
    panel->setAcceptMode(QFileDialog::AcceptSave);
    panel->setNameFilters(filters);
    panel->setDefaultSuffix(suffix);
    // The suffix follows the chosen format when the name has none.
    connect(panel, &QFileDialog::filterSelected, panel, [panel](const QString &filter) {
        const int star = filter.indexOf("*.");
        if (star >= 0) panel->setDefaultSuffix(filter.mid(star + 2).section(')', 0, 0));
    });
    const QString base =
        _file.isEmpty() ? QStringLiteral("untitled") : QFileInfo(_file).completeBaseName();
    panel->selectFile(base + "." + suffix);
    panel->setWindowModality(Qt::WindowModal);
    panel->setAttribute(Qt::WA_DeleteOnClose);
    return panel;
}

void AppController::exportModel() {
    QFileDialog *panel =
        exportPanel("exportModelPanel",
                    {tr("glTF binary (*.glb)"), tr("glTF (*.gltf)"), tr("3MF (*.3mf)"),
                     tr("PLY (*.ply)"), tr("OBJ with materials (*.obj)"), tr("STL (*.stl)")},
                    "glb");
    connect(panel, &QFileDialog::finished, this, [=, this](int result) {
        if (result != QDialog::Accepted || panel->selectedFiles().isEmpty()) return;
        exportModelTo(panel->selectedFiles().first());
    });
    panel->open();
}

bool AppController::exportModelTo(const QString &path) {
    const std::string target = QFile::encodeName(path).toStdString();
    const export_format_t format = exportFormatOf(target);
    if (format == EXPORT_UNKNOWN) {
        showExportError(path,
                        tr("Choose one of the suffixes .glb, .gltf, .3mf, .ply, .obj or .stl."));
        return false;
    }
    const QByteArray text = textView->toPlainText().toLatin1();
    mesh_t mesh;
    const emit_t sink = meshEmit(&mesh);
    lsys_job_t job = {text.constData(), _growth, &lsysWindowCeilings, &sink, nullptr, 1, 0};
    lsys_t *l = lsysBuild(&job, nullTrace);
    if (!l) {
        showExportError(path, tr("Not enough memory."));
        return false;
    }
    lsysFree(l);
    std::string err;
    if (!exportMesh(mesh, target, format, &err)) {
        showExportError(path, QString::fromLocal8Bit(err.c_str()));
        return false;
    }
    statusBar()->showMessage(
        tr("%n triangle(s) written to %1", "", int(mesh.triangleCount())).arg(path), 10000);
    return true;
}

void AppController::exportImage() {
    leaveFullScreen();
    auto *dialog = new QDialog(this);
    dialog->setObjectName("exportImageDialog");
    dialog->setWindowTitle(tr("Export Image"));
    auto *form = new QFormLayout(dialog);
    auto *width = new QSpinBox, *height = new QSpinBox;
    for (QSpinBox *box : {width, height}) {
        box->setRange(16, kMaxImageSide);
        box->setSuffix(tr(" px"));
    }
    width->setObjectName("width");
    height->setObjectName("height");
    const QSize viewSize = oglView->size();
    width->setValue(qMax(16, viewSize.width() * 2));
    height->setValue(qMax(16, viewSize.height() * 2));
    auto *aa = new QCheckBox(tr("Smooth edges (anti-aliasing)"));
    aa->setObjectName("aa");
    aa->setChecked(_prefs->aa());
    form->addRow(tr("Width:"), width);
    form->addRow(tr("Height:"), height);
    form->addRow(aa);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    form->addRow(buttons);
    connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    dialog->setWindowModality(Qt::WindowModal);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QDialog::accepted, this, [=, this] {
        const QSize size(width->value(), height->value());
        const bool smooth = aa->isChecked();
        QFileDialog *panel = exportPanel("exportImagePanel", {tr("PNG image (*.png)")}, "png");
        connect(panel, &QFileDialog::finished, this, [=, this](int result) {
            if (result == QDialog::Accepted && !panel->selectedFiles().isEmpty())
                exportImageTo(panel->selectedFiles().first(), size, smooth);
        });
        panel->open();
    });
    dialog->open();
}

bool AppController::exportImageTo(const QString &path, QSize size, bool aa) {
    QString why;
    const QImage image = renderPicture(size, aa, false, &why);
    if (image.isNull()) {
        showExportError(path, why.isEmpty() ? tr("No picture could be drawn.") : why);
        return false;
    }
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG")) {
        showExportError(path, tr("The picture could not be encoded as PNG."));
        return false;
    }
    std::string err;
    if (!ioWriteFile(QFile::encodeName(path).toStdString(), png.constData(), size_t(png.size()),
                     &err)) {
        showExportError(path, QString::fromLocal8Bit(err.c_str()));
        return false;
    }
    statusBar()->showMessage(tr("Picture written to %1").arg(path), 10000);
    return true;
}
