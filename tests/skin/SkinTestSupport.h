#pragma once
// Shared by the skin tests: a private program folder with pictures written on demand, and a
// window that records the private messages it receives.

#include "skin/SkinImage.h"
#include "skin/WindowMessage.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QTemporaryDir>
#include <QWidget>
#include <functional>
#include <gtest/gtest.h>
#include <optional>
#include <vector>

namespace corvane::testing {

struct RecordedMessage
{
    std::uint32_t message;
    std::uintptr_t wParam;
    std::intptr_t lParam;
    std::optional<std::uint32_t> time;
};

class MessageRecorder : public QWidget
{
public:
    std::vector<RecordedMessage> messages;
    std::function<void(const RecordedMessage&)> onMessage;

    std::vector<RecordedMessage> Of(std::uint32_t message) const
    {
        std::vector<RecordedMessage> out;
        for (const auto& m : messages)
            if (m.message == message) out.push_back(m);
        return out;
    }

protected:
    bool event(QEvent* e) override
    {
        if (WindowMessageEvent* m = WindowMessageEvent::From(e)) {
            const RecordedMessage r{m->Message(), m->WParam(), m->LParam(), m->Time()};
            messages.push_back(r);
            if (onMessage) onMessage(r);
            return true;
        }
        return QWidget::event(e);
    }
};

// A program folder of its own for each test; the picture cache forgets everything between tests.
class SkinFolderTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        previousFolder = ProgramFolder();
        SetProgramFolder(dir.path());
        SkinImageCache::Instance().SetEnabled(true);
        SkinImageCache::Instance().Clear();
    }
    void TearDown() override
    {
        SkinImageCache::Instance().Clear();
        SetProgramFolder(previousFolder);
    }

    // Writes a PNG at the relative path (folders made as needed) and returns its full path.
    QString WritePicture(const QString& relative, const QImage& image)
    {
        const QString path = dir.path() + QLatin1Char('/') + relative;
        QDir().mkpath(QFileInfo(path).path());
        EXPECT_TRUE(image.save(path, "PNG")) << path.toStdString();
        return path;
    }
    QString WriteSolid(const QString& relative, QSize size, QRgb colour)
    {
        QImage image(size, QImage::Format_RGB32);
        image.fill(colour);
        return WritePicture(relative, image);
    }

    QTemporaryDir dir;
    QString previousFolder;
};

} // namespace corvane::testing
