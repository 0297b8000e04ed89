#pragma once

#include "page.h"

class QPlainTextEdit;

namespace kalvimo {

// The last page: the run's log, one line a picture.
class LogPage : public Page {
    Q_OBJECT

public:
    LogPage(int twipsPerPixel, QWidget* parent);

    void AddLogLine(const QString& line);
    // Puts text at the end of the last line.
    void AddToLastLine(const QString& text);

private:
    QPlainTextEdit* txtLog = nullptr;
};

} // namespace kalvimo
