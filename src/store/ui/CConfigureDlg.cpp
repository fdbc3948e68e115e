#include "store/ui/CConfigureDlg.h"

#include "device/Firmware.h"
#include "device/SettingsState.h"
#include "macros/MacroStore.h"
#include "skin/SkinDraw.h"
#include "skin/SkinImage.h"
#include "skin/SkinLayout.h"
#include "skin/TransparentListBox.h"
#include "store/SettingsFiles.h"
#include "uikit/Prompt.h"
#include "uikit/Texts.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScreen>
#include <QStandardPaths>
#include <algorithm>

namespace corvane {

namespace {

constexpr std::uint32_t kWhite = 0xFFFFFF;
constexpr std::uint32_t kSelectedText = 0xFFFF00;
constexpr int kListTextHeight = 15;
constexpr int kListShadowOffset = 2;
constexpr int kHeadingRightGap = 2;

bool InButtonColumn(int x, int y)
{
    for (const layout::Rect& area : layout::kProfileButtonColumn)
        if (area.Contains(x, y)) return true;
    return false;
}

bool InCloseArea(int x, int y)
{
    return layout::kProfileCloseMark.Contains(x, y) || layout::kProfileCloseButton.Contains(x, y);
}

} // namespace

// ---- File dialogs ----------------------------------------------------------------------------

std::optional<std::filesystem::path> ProfileFileDialogs::ChooseImport(QWidget* parent,
                                                                      const std::filesystem::path& folder)
{
    return Choose(parent, folder, false);
}

std::optional<std::filesystem::path> ProfileFileDialogs::ChooseExport(QWidget* parent,
                                                                      const std::filesystem::path& folder)
{
    return Choose(parent, folder, true);
}

std::optional<std::filesystem::path>
ProfileFileDialogs::Choose(QWidget* parent, const std::filesystem::path& folder, bool save)
{
    QFileDialog dialog(parent,
                       save ? PickText(language_, "Profil exportieren", "Export profile")
                            : PickText(language_, "Profil importieren", "Import profile"),
                       QString::fromStdString(folder.string()));
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setNameFilter(QStringLiteral("bin Files(*.bin)"));
    dialog.setDefaultSuffix(QStringLiteral("bin"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return std::filesystem::path(dialog.selectedFiles().first().toStdString());
}

// ---- Panel -----------------------------------------------------------------------------------

CConfigureDlg::CConfigureDlg(SettingsState& state, Prompt& prompt, std::uint16_t language,
                             const std::filesystem::path& dataFolder,
                             const std::filesystem::path& programFolder, QWidget* parent)
    : SkinnedDialog(parent), state_(state), prompt_(prompt), language_(language),
      folder_(dataFolder / kProfileFolderName), ownChooser_(language), chooser_(&ownChooser_)
{
    folder_.SetProgramFiles(
        {dataFolder / kKeymapFileName, dataFolder / kMacroFileName, programFolder / kVersionFileName});
    setModal(true);
    setWindowTitle(Text("Profil", "Profile"));
    list_ = new CTransparentListBox(this);
    list_->setObjectName(QStringLiteral("profileList"));
    list_->SetMessageTarget(this);
    list_->setAccessibleName(Text("Aktuelles Profil", "Current profile"));
    Initialise();
}

CConfigureDlg::~CConfigureDlg() = default;

std::filesystem::path CConfigureDlg::FileDialogFolder()
{
    // Profiles are the user's files: the dialogs keep away from the program's data folder.
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (!documents.isEmpty() && QFileInfo(documents).isDir()) return documents.toStdString();
    return QDir::homePath().toStdString();
}

void CConfigureDlg::SetFileChooser(ProfileFileChooser* chooser)
{
    chooser_ = chooser != nullptr ? chooser : &ownChooser_;
}

QString CConfigureDlg::Text(const char* german, const char* english) const
{
    return PickText(language_, german, english);
}

TextLanguage CConfigureDlg::FileTextLanguage() const
{
    return language_ == kLanguageGerman ? TextLanguage::kGerman : TextLanguage::kEnglish;
}

void CConfigureDlg::Initialise()
{
    SetSkin(SkinFolderPath(SkinWindow::Profile, language_), SkinBackgroundName(SkinWindow::Profile));
    setFixedSize(BackgroundSize());
    const layout::Placement& place = layout::kProfileList;
    list_->setGeometry(place.x, place.y, place.width, place.height);
    list_->SetFontAndColours(kListTextHeight, QStringLiteral("Arial"), kWhite, kSelectedText, true, 0,
                             kListShadowOffset);
    list_->SetMode(CTransparentListBox::kModeName);
    dragging_ = false;
    folder_.Scan();
    FillList();
}

void CConfigureDlg::FillList()
{
    list_->EndEditing(false);
    list_->clear();
    for (const ProfileEntry& entry : folder_.Entries())
        list_->AddItem(QString::fromStdString(entry.name), 0);
    list_->viewport()->update();
}

QPoint CConfigureDlg::PlaceBeside(const QRect& mainWindowRect) const
{
    const QSize size = BackgroundSize().isEmpty() ? this->size() : BackgroundSize();
    QScreen* screen = QGuiApplication::screenAt(mainWindowRect.center());
    if (screen == nullptr) screen = QGuiApplication::primaryScreen();
    // To the right of the main window, or to its left when the right has no room.
    QPoint place(mainWindowRect.right() + 1, mainWindowRect.top());
    if (screen == nullptr) return place;
    const QRect room = screen->availableGeometry();
    if (place.x() + size.width() - 1 > room.right()) place.setX(mainWindowRect.left() - size.width());
    place.setX(std::clamp(place.x(), room.left(), std::max(room.left(), room.right() - size.width() + 1)));
    place.setY(std::clamp(place.y(), room.top(), std::max(room.top(), room.bottom() - size.height() + 1)));
    return place;
}

void CConfigureDlg::Open(const QRect& mainWindowRect)
{
    Initialise();
    move(PlaceBeside(mainWindowRect));
    exec();
}

void CConfigureDlg::Tell(const ProfileResult& result)
{
    const std::string text = ProfileResultText(result, FileTextLanguage());
    if (!text.empty()) prompt_.Tell(this, QStringLiteral("Corvane Keyboard"), QString::fromStdString(text));
}

void CConfigureDlg::Import()
{
    const std::optional<std::filesystem::path> chosen = chooser_->ChooseImport(this, FileDialogFolder());
    if (!chosen) return;
    const ProfileCandidate candidate = ProfileFolder::ReadForImport(*chosen);
    if (!candidate.Whole()) {
        ProfileResult refused;
        refused.outcome = ProfileOutcome::kRefused;
        refused.status = candidate.status;
        Tell(refused);
        return;
    }
    // Someone else's profile could make a key start a program: the user sees what and decides.
    if (!candidate.launches.empty() && !prompt_.AskOkCancel(this, QStringLiteral("Corvane Keyboard"),
                                                            QString::fromStdString(LaunchWarningText(
                                                                candidate.launches, FileTextLanguage()))))
        return;
    const ProfileResult result = folder_.Import(candidate, state_.image, state_.records);
    FillList();
    FullPaint();
    Tell(result);
}

void CConfigureDlg::Export()
{
    const std::optional<std::filesystem::path> chosen = chooser_->ChooseExport(this, FileDialogFolder());
    if (!chosen) return;
    const ProfileResult result = folder_.Export(*chosen, state_.image, state_.records);
    FillList();
    FullPaint();
    Tell(result);
}

std::intptr_t CConfigureDlg::WindowMessage(std::uint32_t message, std::uintptr_t wParam, std::intptr_t)
{
    if (message != UM_LIST_ITEM_EDITED) return 0;
    // The list has the edited name at the item's index: the profile there takes that name.
    const int index = static_cast<int>(wParam & 0xFF);
    const std::string name = list_->ItemText(index).toStdString();
    const ProfileResult result = folder_.Rename(static_cast<std::size_t>(index), name);
    // Shown after the list box has finished with its item.
    QMetaObject::invokeMethod(
        this,
        [this, result] {
            FillList();
            Tell(result);
        },
        Qt::QueuedConnection);
    return 0;
}

DrawnControlList CConfigureDlg::ListControls() const
{
    auto area = [](const layout::Rect& r) { return QRect(QPoint(r.left, r.top), QPoint(r.right, r.bottom)); };
    DrawnControlList controls(4);
    controls[0].widget = list_;
    controls[1].id = kImportControl;
    controls[1].name = Text("Importieren", "IMPORT");
    controls[1].rect = area(layout::kProfileImportArea);
    controls[2].id = kExportControl;
    controls[2].name = Text("Export", "EXPORT");
    controls[2].rect = area(layout::kProfileExportArea);
    // The button at the bottom closes the panel, as the mark at the top does.
    controls[3].id = kCloseControl;
    controls[3].name = QStringLiteral("OK");
    controls[3].rect = area(layout::kProfileCloseButton);
    return controls;
}

void CConfigureDlg::PaintElements(QPainter& painter)
{
    DrawSkinImage(painter, SkinFolder(), QStringLiteral("button-close-normal.png"),
                  layout::kProfileCloseImageOrigin.x, layout::kProfileCloseImageOrigin.y);
    // Both headings at one size, as large as the longer one allows on its plate ("Importieren" is
    // written a little smaller than "IMPORT").
    const QString importText = Text("Importieren", "IMPORT");
    const QString exportText = Text("Export", "EXPORT");
    const int width = layout::kProfileImportArea.right - kHeadingRightGap - layout::kProfileHeadingX;
    const int height = std::min(FittingTextHeight(importText, layout::kProfileHeadingHeight, width),
                                FittingTextHeight(exportText, layout::kProfileHeadingHeight, width));
    DrawSkinText(painter, importText, layout::kProfileHeadingX, layout::kProfileImportHeadingY, 0, kWhite,
                 height, AreaOf(layout::kProfileImportArea));
    DrawSkinText(painter, exportText, layout::kProfileHeadingX, layout::kProfileExportHeadingY, 0, kWhite,
                 height, AreaOf(layout::kProfileExportArea));
}

void CConfigureDlg::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) return SkinnedDialog::mousePressEvent(event);
    const QPoint p = event->position().toPoint();
    // The panel moves when dragged anywhere but its buttons.
    dragging_ = !InCloseArea(p.x(), p.y()) && !InButtonColumn(p.x(), p.y());
    pressGlobal_ = event->globalPosition().toPoint();
    windowAtPress_ = pos();
}

void CConfigureDlg::mouseMoveEvent(QMouseEvent* event)
{
    if (!dragging_ || !(event->buttons() & Qt::LeftButton)) return;
    move(windowAtPress_ + event->globalPosition().toPoint() - pressGlobal_);
}

void CConfigureDlg::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) return SkinnedDialog::mouseReleaseEvent(event);
    const bool moved = dragging_ && event->globalPosition().toPoint() != pressGlobal_;
    dragging_ = false;
    if (moved) return;
    const QPoint p = event->position().toPoint();
    if (InCloseArea(p.x(), p.y())) {
        accept();
    } else if (layout::kProfileImportArea.Contains(p.x(), p.y())) {
        Import();
    } else if (layout::kProfileExportArea.Contains(p.x(), p.y())) {
        Export();
    }
}

void CConfigureDlg::keyPressEvent(QKeyEvent* event)
{
    // Enter does not close the panel.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->accept();
        return;
    }
    SkinnedDialog::keyPressEvent(event);
}

} // namespace corvane
