#include "uikit/Prompt.h"

#include <QPushButton>

namespace corvane {

namespace {

// Longest run of characters a message keeps without a place to break its line.
constexpr int kUnbrokenRun = 24;
constexpr QChar kZeroWidthSpace(0x200B);

bool BreaksAfter(QChar c)
{
    return c == QLatin1Char('/') || c == QLatin1Char('\\') || c == QLatin1Char('_') ||
           c == QLatin1Char('.') || c == QLatin1Char('-');
}

} // namespace

QString Breakable(const QString& text)
{
    QString out;
    out.reserve(text.size() + text.size() / kUnbrokenRun + 8);
    int run = 0;
    for (const QChar c : text) {
        out += c;
        run = c.isSpace() ? 0 : run + 1;
        if (run > 0 && (run >= kUnbrokenRun || BreaksAfter(c))) {
            out += kZeroWidthSpace;
            run = 0;
        }
    }
    return out;
}

std::unique_ptr<QMessageBox> MakeMessageBox(QMessageBox::Icon icon, QWidget* parent, const QString& caption,
                                            const QString& text, QMessageBox::StandardButtons buttons)
{
    // Qt wraps a message only between words: a long name or path would otherwise make the box as
    // wide as the name, past the window and the screen.
    return std::make_unique<QMessageBox>(icon, caption, Breakable(text), buttons, parent);
}

bool MessageBoxPrompt::AskOkCancel(QWidget* parent, const QString& caption, const QString& text)
{
    const auto box =
        MakeMessageBox(QMessageBox::Question, parent, caption, text, QMessageBox::Ok | QMessageBox::Cancel);
    box->setDefaultButton(QMessageBox::Ok);
    return box->exec() == QMessageBox::Ok;
}

void MessageBoxPrompt::Tell(QWidget* parent, const QString& caption, const QString& text)
{
    MakeMessageBox(QMessageBox::Information, parent, caption, text, QMessageBox::Ok)->exec();
}

bool MessageBoxPrompt::AskChoice(QWidget* parent, const QString& caption, const QString& text,
                                 const QString& accept, const QString& reject)
{
    const auto box = MakeMessageBox(QMessageBox::Warning, parent, caption, text, QMessageBox::NoButton);
    QPushButton* yes = box->addButton(accept, QMessageBox::AcceptRole);
    QPushButton* no = box->addButton(reject, QMessageBox::RejectRole);
    box->setDefaultButton(no);
    box->setEscapeButton(no);
    box->exec();
    return box->clickedButton() == yes;
}

} // namespace corvane
