#include "app/Prompt.h"

#include <QMessageBox>

namespace corvane {

bool MessageBoxPrompt::AskOkCancel(QWidget* parent, const QString& caption, const QString& text)
{
    return QMessageBox::question(parent, caption, text, QMessageBox::Ok | QMessageBox::Cancel,
                                 QMessageBox::Ok) == QMessageBox::Ok;
}

void MessageBoxPrompt::Tell(QWidget* parent, const QString& caption, const QString& text)
{
    QMessageBox::information(parent, caption, text, QMessageBox::Ok);
}

} // namespace corvane
