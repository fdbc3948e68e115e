#include "skin/SkinImage.h"

#include "skin/SkinLayout.h"

#include <QDir>
#include <QHash>
#include <QImageReader>
#include <QStringList>
#include <mutex>
#include <sys/stat.h>

namespace corvane {

namespace {

constexpr std::uint16_t kGermanLanguage = 7;

std::mutex& FolderMutex()
{
    static std::mutex m;
    return m;
}

QString& FolderValue()
{
    static QString folder;
    return folder;
}

QString Normalise(QString path)
{
    path.replace(QLatin1Char('\\'), QLatin1Char('/'));
    QString out;
    out.reserve(path.size());
    for (QChar c : path) {
        if (c == QLatin1Char('/') && out.endsWith(QLatin1Char('/'))) continue;
        out.append(c);
    }
    return out;
}

// What identifies one version of a file: a rewrite in place changes the time or the size, a
// replacement by rename changes the inode.
struct FileStamp
{
    qint64 seconds = 0;
    qint64 nanoseconds = 0;
    qint64 size = 0;
    quint64 inode = 0;
    bool operator==(const FileStamp&) const = default;
};

bool StatPath(const QString& path, FileStamp* stamp)
{
    struct stat st
    {
    };
    if (::stat(QFile::encodeName(path).constData(), &st) != 0) return false;
    if (stamp != nullptr) {
        stamp->seconds = st.st_mtim.tv_sec;
        stamp->nanoseconds = st.st_mtim.tv_nsec;
        stamp->size = st.st_size;
        stamp->inode = st.st_ino;
    }
    return true;
}

QString Child(const QString& parent, const QString& name)
{
    if (parent.isEmpty()) return name;
    if (parent.endsWith(QLatin1Char('/'))) return parent + name;
    return parent + QLatin1Char('/') + name;
}

// Resolves path component by component. On failure lastDir receives the deepest folder that does
// exist, whose change is what can make the path appear.
QString Resolve(const QString& rawPath, QString* lastDir)
{
    const QString path = Normalise(rawPath);
    if (lastDir != nullptr) lastDir->clear();
    if (path.isEmpty()) return {};
    if (StatPath(path, nullptr)) return path;

    const bool absolute = path.startsWith(QLatin1Char('/'));
    QString current = absolute ? QStringLiteral("/") : QString();
    const QStringList parts = path.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    for (const QString& part : parts) {
        const QString exact = Child(current, part);
        if (StatPath(exact, nullptr)) {
            current = exact;
            continue;
        }
        if (lastDir != nullptr) *lastDir = current.isEmpty() ? QStringLiteral(".") : current;
        if (part == QLatin1String(".") || part == QLatin1String("..")) return {};
        const QDir dir(current.isEmpty() ? QStringLiteral(".") : current);
        const QStringList entries =
            dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
        QString match;
        for (const QString& entry : entries) {
            if (entry.compare(part, Qt::CaseInsensitive) == 0) {
                match = entry;
                break;
            }
        }
        if (match.isEmpty()) return {};
        current = Child(current, match);
    }
    if (lastDir != nullptr) lastDir->clear();
    return current;
}

// Every draw is an opaque copy, so alpha is dropped here while the stored colours stay.
QImage MakeOpaque(QImage image)
{
    if (image.isNull()) return {};
    if (image.format() == QImage::Format_Indexed8 || image.format() == QImage::Format_Mono ||
        image.format() == QImage::Format_MonoLSB) {
        QList<QRgb> table = image.colorTable();
        for (QRgb& c : table)
            c |= 0xFF000000u;
        image.setColorTable(table);
        return image.convertToFormat(QImage::Format_RGB32);
    }
    if (!image.hasAlphaChannel()) return image.convertToFormat(QImage::Format_RGB32);
    if (image.format() != QImage::Format_ARGB32) image = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x)
            row[x] |= 0xFF000000u;
    }
    image.reinterpretAsFormat(QImage::Format_RGB32);
    return image;
}

QImage DecodeResolved(const QString& resolved)
{
    if (resolved.isEmpty()) return {};
    QImageReader reader(resolved);
    reader.setAutoTransform(false);
    return MakeOpaque(reader.read());
}

struct CacheEntry
{
    QString resolved;   // empty while the file is missing
    FileStamp stamp;    // of resolved, or of missingDir while missing
    QString missingDir; // deepest existing folder on the way to a missing file
    QImage image;
};

struct CacheState
{
    std::mutex mutex;
    QHash<QString, CacheEntry> entries;
    bool enabled = true;
    std::uint64_t decodes = 0;
};

CacheState& State()
{
    static CacheState state;
    return state;
}

} // namespace

void SetProgramFolder(const QString& folder)
{
    std::lock_guard lock(FolderMutex());
    FolderValue() = folder;
}

QString ProgramFolder()
{
    std::lock_guard lock(FolderMutex());
    return FolderValue();
}

QString SkinFolderName(SkinWindow window, std::uint16_t languageCode)
{
    const layout::SkinFolder& folder = layout::FolderOf(window);
    return QString::fromLatin1(languageCode == kGermanLanguage ? folder.german : folder.english);
}

QString SkinFolderPath(SkinWindow window, std::uint16_t languageCode)
{
    return JoinSkinPath(ProgramFolder(), SkinFolderName(window, languageCode));
}

QString SkinBackgroundName(SkinWindow window)
{
    return QString::fromLatin1(layout::FolderOf(window).background);
}

QString JoinSkinPath(const QString& folder, const QString& fileName)
{
    if (folder.isEmpty()) return Normalise(fileName);
    return Normalise(folder + QLatin1Char('/') + fileName);
}

QString ResolveSkinPath(const QString& path)
{
    return Resolve(path, nullptr);
}

QImage LoadSkinImage(const QString& path)
{
    return DecodeResolved(Resolve(path, nullptr));
}

SkinImageCache& SkinImageCache::Instance()
{
    static SkinImageCache cache;
    return cache;
}

QImage SkinImageCache::Image(const QString& path)
{
    CacheState& state = State();
    std::lock_guard lock(state.mutex);
    if (!state.enabled) {
        ++state.decodes;
        return LoadSkinImage(path);
    }
    auto it = state.entries.find(path);
    if (it != state.entries.end()) {
        FileStamp now;
        const QString& watched = it->resolved.isEmpty() ? it->missingDir : it->resolved;
        if (!watched.isEmpty() && StatPath(watched, &now) && now == it->stamp) return it->image;
    }
    CacheEntry entry;
    entry.resolved = Resolve(path, &entry.missingDir);
    if (entry.resolved.isEmpty()) {
        StatPath(entry.missingDir, &entry.stamp);
    } else {
        StatPath(entry.resolved, &entry.stamp);
        entry.image = DecodeResolved(entry.resolved);
        ++state.decodes;
    }
    state.entries.insert(path, entry);
    return entry.image;
}

void SkinImageCache::SetEnabled(bool enabled)
{
    CacheState& state = State();
    std::lock_guard lock(state.mutex);
    state.enabled = enabled;
    if (!enabled) state.entries.clear();
}

bool SkinImageCache::Enabled() const
{
    CacheState& state = State();
    std::lock_guard lock(state.mutex);
    return state.enabled;
}

void SkinImageCache::Clear()
{
    CacheState& state = State();
    std::lock_guard lock(state.mutex);
    state.entries.clear();
    state.decodes = 0;
}

std::uint64_t SkinImageCache::DecodeCount() const
{
    CacheState& state = State();
    std::lock_guard lock(state.mutex);
    return state.decodes;
}

QString ResourceImagePath(int id)
{
    return JoinSkinPath(ProgramFolder(), QString::fromLatin1(layout::kResourceFolder) + QString::number(id) +
                                             QStringLiteral(".png"));
}

QImage LoadResourceImage(int id)
{
    return SkinImageCache::Instance().Image(ResourceImagePath(id));
}

} // namespace corvane
