// The description's text on paper: laid out anew for the page in the editor's font, long lines
// wrapped (at a blank where there is one, else anywhere), every page headed by the file's name
// and "Page N of M" above a rule. Needs no window: any paged device (a printer, a PDF writer).
#ifndef SPRIG_APP_TEXTPRINT_H
#define SPRIG_APP_TEXTPRINT_H

#include <QString>

class QFont;
class QPagedPaintDevice;
class QTextDocument;

// False when the device cannot be painted on.
bool printText(const QTextDocument *text, const QFont &font, const QString &name,
               QPagedPaintDevice *device);

#endif
