#pragma once
// Questions and notices to the user. The main window asks through this so that tests can answer
// for the user; the program itself uses message boxes.

#include <QMessageBox>
#include <QString>
#include <memory>

class QWidget;

namespace corvane {

class Prompt
{
public:
    virtual ~Prompt() = default;
    // An OK / Cancel question; true when the user chose OK.
    virtual bool AskOkCancel(QWidget* parent, const QString& caption, const QString& text) = 0;
    // A notice with an OK button.
    virtual void Tell(QWidget* parent, const QString& caption, const QString& text) = 0;
    // A warning with two buttons named for what they do; true when the user chose `accept`. The
    // other one is the default, so a hasty Enter changes nothing.
    virtual bool AskChoice(QWidget* parent, const QString& caption, const QString& text,
                           const QString& accept, const QString& reject)
    {
        (void)accept;
        (void)reject;
        return AskOkCancel(parent, caption, text);
    }
};

// The text with a place to break after every folder separator and within every long run of
// characters, so that names and paths wrap like words.
QString Breakable(const QString& text);
// A message box as every prompt shows it: its text wraps, long names and paths included.
std::unique_ptr<QMessageBox> MakeMessageBox(QMessageBox::Icon icon, QWidget* parent, const QString& caption,
                                            const QString& text, QMessageBox::StandardButtons buttons);

class MessageBoxPrompt : public Prompt
{
public:
    bool AskOkCancel(QWidget* parent, const QString& caption, const QString& text) override;
    void Tell(QWidget* parent, const QString& caption, const QString& text) override;
    bool AskChoice(QWidget* parent, const QString& caption, const QString& text, const QString& accept,
                   const QString& reject) override;
};

} // namespace corvane
