// The main window's own files: what it tells the user when one could not be used at start or was
// not saved, and the offer to replace a damaged one.

#include "app/CTarvikDlg.h"

#include "store/SettingsFiles.h"
#include "uikit/Prompt.h"

#include <QTimer>

namespace corvane {
namespace {

const QString kCaption = QStringLiteral("Corvane Keyboard");

// Two saves meet the same problem when the file is kept for the same reason or writing fails for
// the same reason; the user need not hear it twice.
std::string ProblemOf(const FileStatus& status)
{
    if (status.state == FileState::kMissing)
        return status.created ? std::string() : "failed " + std::to_string(status.error);
    if (status.Replaceable()) return {};
    return "kept " + std::to_string(static_cast<int>(status.state)) + " " + std::to_string(status.error) +
           " " + std::to_string(status.writeError) + " " + std::to_string(status.size) + " " +
           std::to_string(status.type);
}

std::string ProblemOf(const SaveStatus& status)
{
    switch (status.outcome) {
    case SaveOutcome::kSaved:
        return {};
    case SaveOutcome::kKept:
        return ProblemOf(status.existing);
    case SaveOutcome::kFailed:
        break;
    }
    return "failed " + std::to_string(status.error);
}

} // namespace

std::filesystem::path CTarvikDlg::MacroFilePath() const
{
    return dataFolder_ / kMacroFileName;
}

CTarvikDlg::SaveJob CTarvikDlg::KeymapJob()
{
    return {KeymapPath(), [this](DamagedFile damaged, std::time_t when) {
                return SaveKeymap(KeymapPath(), state_, damaged, when);
            }};
}

CTarvikDlg::SaveJob CTarvikDlg::MacroFileJob()
{
    return {MacroFilePath(), [this](DamagedFile damaged, std::time_t when) {
                return SaveMacroStore(MacroFilePath(), macros_, damaged, when);
            }};
}

void CTarvikDlg::NoteTold(const std::filesystem::path& file, const std::string& problem)
{
    if (problem.empty())
        toldProblems_.erase(file);
    else
        toldProblems_[file] = problem;
}

void CTarvikDlg::TellFileProblems(const std::vector<FileStatus>& statuses)
{
    QStringList lines;
    std::vector<std::pair<SaveJob, SaveStatus>> damaged;
    for (const FileStatus& status : statuses) {
        const std::string text = FileStatusText(status, FileTextLanguage());
        if (text.empty()) continue;
        // Noted at once: the save after the start-up read must not tell it a second time.
        NoteTold(status.file, ProblemOf(status));
        if (!status.Damaged()) {
            lines << QString::fromStdString(text);
            continue;
        }
        SaveStatus refused;
        refused.outcome = SaveOutcome::kKept;
        refused.file = status.file;
        refused.existing = status;
        damaged.push_back({status.file == KeymapPath() ? KeymapJob() : MacroFileJob(), refused});
    }
    if (lines.isEmpty() && damaged.empty()) return;
    // Once, after the window has appeared, so the message has something to stand in front of.
    QTimer::singleShot(0, this, [this, lines, damaged] {
        if (ended_) return;
        if (!lines.isEmpty()) prompt_.Tell(this, kCaption, lines.join(QStringLiteral("\n\n")));
        for (const auto& [job, refused] : damaged)
            OfferToReplace(job, refused, QString::fromStdString(SaveStatusText(refused, FileTextLanguage())));
    });
}

std::vector<SaveStatus> CTarvikDlg::SaveAndTell(const std::vector<SaveJob>& jobs, SaveMoment moment)
{
    std::vector<SaveStatus> statuses;
    for (const SaveJob& job : jobs)
        statuses.push_back(job.save(DamagedFile::kKeep, std::time(nullptr)));
    return TellSaves(jobs, std::move(statuses), moment);
}

std::vector<SaveStatus> CTarvikDlg::TellSaves(const std::vector<SaveJob>& jobs,
                                              std::vector<SaveStatus> statuses, SaveMoment moment)
{
    QStringList lines;
    std::vector<std::size_t> damaged;
    for (std::size_t i = 0; i < statuses.size(); ++i) {
        const std::string problem = ProblemOf(statuses[i]);
        const auto told = toldProblems_.find(jobs[i].file);
        const bool known = told != toldProblems_.end() && told->second == problem;
        NoteTold(jobs[i].file, problem);
        if (problem.empty() || (known && moment == SaveMoment::kAutomatic)) continue;
        if (statuses[i].Damaged())
            damaged.push_back(i);
        else
            lines << QString::fromStdString(SaveStatusText(statuses[i], FileTextLanguage()));
    }
    if (!lines.isEmpty()) prompt_.Tell(this, kCaption, lines.join(QStringLiteral("\n\n")));
    for (std::size_t i : damaged)
        statuses[i] = OfferToReplace(jobs[i], statuses[i],
                                     QString::fromStdString(SaveStatusText(statuses[i], FileTextLanguage())));
    return statuses;
}

std::optional<SaveStatus> CTarvikDlg::TellLinkSave(SaveMoment moment)
{
    if (!linkSave_) return std::nullopt;
    SaveStatus status = std::move(*linkSave_);
    linkSave_.reset();
    return TellSaves({KeymapJob()}, {std::move(status)}, moment).front();
}

SaveStatus CTarvikDlg::OfferToReplace(const SaveJob& job, const SaveStatus& refused, const QString& text)
{
    // The name shown is the name used.
    const std::time_t when = std::time(nullptr);
    const QString kept = QString::fromStdString(DamagedFileName(job.file, when).filename().string());
    const QString question =
        text + QStringLiteral("\n\n") +
        Text("„Beschädigte Datei ersetzen“ bewahrt den jetzigen Inhalt als %1 daneben auf und "
             "schreibt die Datei neu.",
             "\"Replace the damaged file\" keeps its present content as %1 beside it and writes the file "
             "anew.")
            .arg(kept);
    if (!prompt_.AskChoice(this, kCaption, question,
                           Text("Beschädigte Datei ersetzen", "Replace the damaged file"),
                           Text("Datei behalten", "Keep the file")))
        return refused;
    const SaveStatus replaced = job.save(DamagedFile::kSetAside, when);
    NoteTold(job.file, ProblemOf(replaced));
    if (!replaced.Saved())
        prompt_.Tell(this, kCaption, QString::fromStdString(SaveStatusText(replaced, FileTextLanguage())));
    return replaced;
}

} // namespace corvane
