// The Export Image and Export Growth Animation settings dialog.
#include "exportimagedialog.h"

#include "exportcommands.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QSpinBox>

ExportImageDialog::ExportImageDialog(QWidget *parent, QSize size, bool aa, bool animation,
                                     float growth)
    : QDialog(parent) {
    setObjectName(animation ? "exportAnimationDialog" : "exportImageDialog");
    setWindowTitle(animation ? tr("Export Growth Animation") : tr("Export Image"));
    auto *form = new QFormLayout(this);
    _width = new QSpinBox;
    _height = new QSpinBox;
    for (QSpinBox *box : {_width, _height}) {
        box->setRange(16, ExportCommands::kMaxImageSide);
        box->setSuffix(tr(" px"));
    }
    _width->setObjectName("width");
    _height->setObjectName("height");
    _width->setValue(qMax(16, size.width()));
    _height->setValue(qMax(16, size.height()));
    form->addRow(tr("Width:"), _width);
    form->addRow(tr("Height:"), _height);
    if (animation) {
        _frames = new QSpinBox;
        _frames->setObjectName("frames");
        _frames->setRange(1, 10000);
        _frames->setValue(60);
        _from = new QDoubleSpinBox;
        _to = new QDoubleSpinBox;
        for (QDoubleSpinBox *box : {_from, _to}) {
            box->setRange(0.0, 2.0); // the window's growth control
            box->setSingleStep(0.05);
        }
        _from->setObjectName("from");
        _to->setObjectName("to");
        _to->setValue(double(growth));
        form->addRow(tr("Frames:"), _frames);
        form->addRow(tr("Growth from:"), _from);
        form->addRow(tr("Growth to:"), _to);
    }
    _aa = new QCheckBox(tr("Smooth edges (anti-aliasing)"));
    _aa->setObjectName("aa");
    _aa->setChecked(aa);
    _transparent = new QCheckBox(tr("Transparent background (PNG, WebP, SVG)"));
    _transparent->setObjectName("transparent");
    form->addRow(_aa);
    form->addRow(_transparent);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    form->addRow(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    setWindowModality(Qt::WindowModal);
}

QSize ExportImageDialog::pictureSize() const {
    return QSize(_width->value(), _height->value());
}

bool ExportImageDialog::antiAliased() const {
    return _aa->isChecked();
}

bool ExportImageDialog::transparent() const {
    return _transparent->isChecked();
}

int ExportImageDialog::frames() const {
    return _frames ? _frames->value() : 1;
}

float ExportImageDialog::growthFrom() const {
    return _from ? float(_from->value()) : 0.0f;
}

float ExportImageDialog::growthTo() const {
    return _to ? float(_to->value()) : 1.0f;
}
