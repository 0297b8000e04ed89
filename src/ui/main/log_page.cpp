#include "log_page.h"

#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextCursor>

namespace kalvimo {

LogPage::LogPage(int twipsPerPixel, QWidget* parent) : Page(4, twipsPerPixel, parent) {
    txtLog = new QPlainTextEdit(this);
    txtLog->setObjectName(QStringLiteral("txtLog"));
    txtLog->setReadOnly(true);
    txtLog->setAccessibleName(QStringLiteral("Log"));
    txtLog->setGeometry(rect());
    Grows(txtLog, true, true);
}

void LogPage::AddLogLine(const QString& line) {
    AddToLastLine(txtLog->document()->isEmpty() ? line : QLatin1Char('\n') + line);
    txtLog->verticalScrollBar()->setValue(txtLog->verticalScrollBar()->maximum());
}

void LogPage::AddToLastLine(const QString& text) {
    QTextCursor cursor(txtLog->document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(text);
}

} // namespace kalvimo
