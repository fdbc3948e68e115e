// Every text the program draws or shows renders with real glyphs: each string literal in the
// program's sources (both languages stand side by side there) is laid out with the skin font and
// with the font of message boxes, and no character may fall back to the missing-glyph box.

#include "skin/SkinDraw.h"

#include <QApplication>
#include <QDirIterator>
#include <QFile>
#include <QGlyphRun>
#include <QSet>
#include <QStringDecoder>
#include <QTextLayout>
#include <gtest/gtest.h>

namespace corvane {
namespace {

// The string literals of one C++ source, escapes decoded, comments and character literals skipped.
QList<QByteArray> StringLiterals(const QByteArray& source)
{
    QList<QByteArray> literals;
    const qsizetype n = source.size();
    qsizetype i = 0;
    const auto hex = [](char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; };
    while (i < n) {
        const char c = source[i];
        if (c == '/' && i + 1 < n && source[i + 1] == '/') {
            while (i < n && source[i] != '\n')
                ++i;
        } else if (c == '/' && i + 1 < n && source[i + 1] == '*') {
            const qsizetype end = source.indexOf("*/", i + 2);
            i = end < 0 ? n : end + 2;
        } else if (c == '\'') {
            // A character literal, or a digit separator (1'000) that ends at the next non-digit.
            ++i;
            while (i < n && source[i] != '\'' && source[i] != '\n')
                i += source[i] == '\\' ? 2 : 1;
            ++i;
        } else if (c == 'R' && i + 1 < n && source[i + 1] == '"') {
            const qsizetype open = source.indexOf('(', i + 2);
            if (open < 0) break;
            const QByteArray close = ')' + source.mid(i + 2, open - i - 2) + '"';
            const qsizetype end = source.indexOf(close, open + 1);
            if (end < 0) break;
            literals << source.mid(open + 1, end - open - 1);
            i = end + close.size();
        } else if (c == '"') {
            QByteArray text;
            ++i;
            while (i < n && source[i] != '"') {
                if (source[i] != '\\') {
                    text += source[i++];
                    continue;
                }
                const char e = i + 1 < n ? source[i + 1] : '\0';
                i += 2;
                switch (e) {
                case 'n':
                    text += '\n';
                    break;
                case 't':
                    text += '\t';
                    break;
                case 'r':
                    text += '\r';
                    break;
                case 'x': {
                    int value = 0;
                    while (i < n && hex(source[i]))
                        value = value * 16 + QByteArray(1, source[i++]).toInt(nullptr, 16);
                    text += static_cast<char>(value);
                    break;
                }
                default:
                    if (e >= '0' && e <= '7') {
                        int value = e - '0';
                        for (int k = 0; k < 2 && i < n && source[i] >= '0' && source[i] <= '7'; ++k)
                            value = value * 8 + (source[i++] - '0');
                        text += static_cast<char>(value);
                    } else {
                        text += e; // \" \\ \' \?
                    }
                }
            }
            ++i;
            literals << text;
        } else {
            ++i;
        }
    }
    return literals;
}

// Texts, not bytes: binary literals (control characters, invalid UTF-8) are no one's text.
QSet<QString> ProgramTexts()
{
    QSet<QString> texts;
    for (const char* folder : {CORVANE_SOURCE_DIR "/src", CORVANE_SOURCE_DIR "/tools"}) {
        QDirIterator files(QString::fromUtf8(folder), {QStringLiteral("*.cpp"), QStringLiteral("*.h")},
                           QDir::Files, QDirIterator::Subdirectories);
        while (files.hasNext()) {
            QFile file(files.next());
            if (!file.open(QIODevice::ReadOnly)) continue;
            for (const QByteArray& literal : StringLiterals(file.readAll())) {
                QStringDecoder decoder(QStringDecoder::Utf8);
                const QString text = decoder(literal);
                bool binary = false;
                for (const char32_t code : text.toUcs4())
                    binary = binary || (code < 0x20 && code != U'\n' && code != U'\t') ||
                             (code >= 0x7F && code < 0xA0);
                if (binary || decoder.hasError() || text.trimmed().isEmpty()) continue;
                texts.insert(text);
            }
        }
    }
    return texts;
}

bool HasGlyph(const QString& character, const QFont& font)
{
    QTextLayout layout(character, font);
    layout.beginLayout();
    while (layout.createLine().isValid()) {
    }
    layout.endLayout();
    for (const QGlyphRun& run : layout.glyphRuns())
        for (const quint32 glyph : run.glyphIndexes())
            if (glyph == 0) return false;
    return true;
}

// The characters of text that the font (with the fonts fontconfig falls back to) has no glyph
// for: laid out, they come out as glyph 0, the missing-glyph box.
QString MissingGlyphs(const QString& text, const QFont& font)
{
    QString missing;
    for (const char32_t code : text.toUcs4()) {
        if (code == U' ' || code == U'\n' || code == U'\t') continue;
        const QString character = QString::fromUcs4(&code, 1);
        if (!missing.contains(character) && !HasGlyph(character, font)) missing += character;
    }
    return missing;
}

TEST(TextGlyphs, TheCheckSeesAMissingGlyph)
{
    // U+0378 is unassigned: no font has it.
    EXPECT_EQ(
        MissingGlyphs(QString::fromUtf8("ab\xCD\xB8"), CellHeightFont(QStringLiteral("Arial"), 13, 300)),
        QString::fromUtf8("\xCD\xB8"));
}

TEST(TextGlyphs, EveryTextOfTheProgramRendersWithRealGlyphs)
{
    const QSet<QString> texts = ProgramTexts();
    // Both languages and the full-width marks are among them.
    for (const char* sample : {"No Gaming Keyboard\xEF\xBC\x81", "Update new firmware\xEF\xBC\x9F",
                               "Bitte bestätige das Zurücksetzen auf die Werkseinstellungen?"})
        ASSERT_TRUE(texts.contains(QString::fromUtf8(sample))) << sample;

    const QFont fonts[] = {CellHeightFont(QStringLiteral("Arial"), 13, 300), QApplication::font()};
    for (const QFont& font : fonts) {
        for (const QString& text : texts) {
            const QString missing = MissingGlyphs(text, font);
            EXPECT_TRUE(missing.isEmpty())
                << font.family().toStdString() << ": \"" << text.toStdString() << "\" lacks "
                << missing.toStdString() << " (U+"
                << QString::number(missing.isEmpty() ? 0 : missing.toUcs4().value(0), 16).toStdString()
                << ")";
        }
    }
}

} // namespace
} // namespace corvane
