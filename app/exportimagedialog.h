// The settings of a picture to export: its size, smooth edges, a transparent background and,
// for a growth animation, the number of frames and the growth they run between. Window-modal;
// the caller reads the fields once it is accepted.
#ifndef SPRIG_APP_EXPORTIMAGEDIALOG_H
#define SPRIG_APP_EXPORTIMAGEDIALOG_H

#include <QDialog>
#include <QSize>

class QCheckBox;
class QDoubleSpinBox;
class QSpinBox;

class ExportImageDialog : public QDialog {
    Q_OBJECT
  public:
    // size and aa are the fields' first values; with animation the frame and growth fields
    // are shown too, the growth running from 0 to growth.
    ExportImageDialog(QWidget *parent, QSize size, bool aa, bool animation = false,
                      float growth = 1.0f);

    QSize pictureSize() const;
    bool antiAliased() const;
    bool transparent() const;
    int frames() const;
    float growthFrom() const;
    float growthTo() const;

  private:
    QSpinBox *_width, *_height, *_frames = nullptr;
    QDoubleSpinBox *_from = nullptr, *_to = nullptr;
    QCheckBox *_aa, *_transparent;
};

#endif
