#include "keys/ui/LaunchChooser.h"

#include <QDir>
#include <QFileDialog>
#include <QStandardPaths>

namespace corvane {
namespace {

struct FileRow
{
    const char* filter;
    const char* suffix;
};
constexpr FileRow kFileRows[3] = {
    {"mp3 Files(*.mp3)", "mp3"},
    {"exe Files(*.exe)", "exe"},
    {"txt Files(*.txt)", "txt"},
};
// Programs here carry no ".exe": row 1 offers what may be run, and every file.
constexpr char kProgramsFilter[] = "Programs (*)";
constexpr char kAllFilesFilter[] = "All Files (*)";

} // namespace

std::optional<QString> LaunchFileDialogs::ChooseFile(QWidget*, int row, std::uint16_t)
{
    if (row < 0 || row > 2) return std::nullopt;
    const QString home = QDir::homePath();
    QString folder = home;
    if (row == 0) {
        const QString music = QStandardPaths::writableLocation(QStandardPaths::MusicLocation);
        if (!music.isEmpty() && QDir(music).exists()) folder = music;
    }

    // Owned by no window, as the key dialog's file choice always was.
    QFileDialog dialog(nullptr, QString(), folder);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    QStringList filters;
    if (row == 1) {
        // Only the toolkit's own dialog can list executables alone.
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        filters << QString::fromLatin1(kProgramsFilter) << QString::fromLatin1(kAllFilesFilter);
        auto apply = [&dialog](const QString& filter) {
            const QDir::Filters shown = QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Files;
            dialog.setFilter(filter == QLatin1String(kProgramsFilter) ? shown | QDir::Executable : shown);
        };
        QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, apply);
        apply(chosenFilter_[1].isEmpty() ? filters.first() : chosenFilter_[1]);
    } else {
        filters << QString::fromLatin1(kFileRows[row].filter) << QString::fromLatin1(kAllFilesFilter);
        dialog.setDefaultSuffix(QString::fromLatin1(kFileRows[row].suffix));
    }
    dialog.setNameFilters(filters);
    if (!chosenFilter_[row].isEmpty()) dialog.selectNameFilter(chosenFilter_[row]);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    chosenFilter_[row] = dialog.selectedNameFilter();
    const QStringList files = dialog.selectedFiles();
    if (files.isEmpty()) return std::nullopt;
    return files.first();
}

std::optional<QString> LaunchFileDialogs::ChooseFolder(QWidget* owner, std::uint16_t)
{
    QFileDialog dialog(owner, QStringLiteral("modification path"), QDir::homePath());
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    const QStringList folders = dialog.selectedFiles();
    return folders.isEmpty() ? QString() : folders.first();
}

} // namespace corvane
