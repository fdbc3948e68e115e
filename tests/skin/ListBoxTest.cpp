#include "SkinTestSupport.h"

#include "skin/EditHelper.h"
#include "skin/SkinLayout.h"
#include "skin/TransparentListBox.h"

#include <QApplication>
#include <QPainter>
#include <QScrollBar>
#include <QTest>

namespace corvane {
namespace {

using testing::MessageRecorder;
using testing::SkinFolderTest;

constexpr QRgb kUpIcon = qRgb(250, 10, 10);
constexpr QRgb kDownIcon = qRgb(10, 250, 10);
constexpr QRgb kDelayIcon = qRgb(10, 10, 250);

class ListBoxTest : public SkinFolderTest
{
protected:
    void SetUp() override
    {
        SkinFolderTest::SetUp();
        WriteSolid("png/res/138.png", {10, 14}, kUpIcon);
        WriteSolid("png/res/131.png", {10, 14}, kDownIcon);
        WriteSolid("png/res/137.png", {14, 14}, kDelayIcon);
        list = new CTransparentListBox(&parent);
        list->setGeometry(10, 10, 200, 160);
        list->SetFontAndColours(16, "Arial", 0xFFFFFF, 0xFFFF00, true, 0, 2);
        parent.resize(240, 200);
    }

    void Fill(std::initializer_list<const char*> texts)
    {
        std::uint32_t data = 100;
        for (const char* t : texts)
            list->AddItem(t, data++);
    }
    QPoint RowPoint(int row) const { return QPoint(30, row * list->ItemHeight() + list->ItemHeight() / 2); }

    // Double-clicks row (selecting it as the first click of a real double-click would).
    void DoubleClickRow(int row)
    {
        list->setCurrentRow(row);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, RowPoint(row));
    }
    void Type(const QString& text)
    {
        ASSERT_NE(list->Editor(), nullptr);
        list->Editor()->selectAll();
        QTest::keyClicks(list->Editor(), text);
    }
    void Release(Qt::Key key)
    {
        ASSERT_NE(list->Editor(), nullptr);
        QTest::keyPress(list->Editor(), key);
        QTest::keyRelease(list->Editor(), key);
    }
    QStringList Texts() const
    {
        QStringList out;
        for (int i = 0; i < list->count(); ++i)
            out << list->ItemText(i);
        return out;
    }

    MessageRecorder parent;
    CTransparentListBox* list = nullptr;
};

// --- delay lines of a macro ------------------------------------------------------------------------

TEST_F(ListBoxTest, KeyLinesOfAMacroCannotBeEdited)
{
    list->SetMode(CTransparentListBox::kModeDelay);
    Fill({"A dn", "150 ms", "A up"});
    DoubleClickRow(0);
    DoubleClickRow(2);
    EXPECT_EQ(list->Editor(), nullptr);
    EXPECT_TRUE(parent.messages.empty());
}

TEST_F(ListBoxTest, DelayEditShowsTheNumberAndClampsToTheLimit)
{
    list->SetMode(CTransparentListBox::kModeDelay);
    Fill({"A dn", "150 ms", "A up"});
    DoubleClickRow(1);
    ASSERT_NE(list->Editor(), nullptr);
    EXPECT_EQ(list->Editor()->text(), QString("150"));
    ASSERT_EQ(parent.messages.size(), 1u);
    EXPECT_EQ(parent.messages[0].message, UM_LIST_EDIT_BEGIN);

    // The parent is told the value before the line changes.
    QString lineWhenTold;
    parent.onMessage = [&](const testing::RecordedMessage& m) {
        if (m.message == UM_LIST_ITEM_EDITED) lineWhenTold = list->ItemText(1);
    };
    Type("70000");
    Release(Qt::Key_Return);
    const auto edited = parent.Of(UM_LIST_ITEM_EDITED);
    ASSERT_EQ(edited.size(), 1u);
    EXPECT_EQ(edited[0].wParam, 1u);
    EXPECT_EQ(edited[0].lParam, 60000);
    EXPECT_EQ(lineWhenTold, QString("150 ms"));
    EXPECT_EQ(Texts(), (QStringList{"A dn", "60000 ms", "A up"}));
    EXPECT_EQ(list->Editor(), nullptr);
    EXPECT_EQ(list->EditingIndex(), -1);
}

TEST_F(ListBoxTest, DelayEditTakesDigitsOnlyAndLimitsTheLowEnd)
{
    list->SetMode(CTransparentListBox::kModeDelay);
    Fill({"150 ms", "20 ms"});
    DoubleClickRow(0);
    Type("1x2y");
    EXPECT_EQ(list->Editor()->text(), QString("12"));
    list->Editor()->clear(); // nothing typed becomes the smallest pause
    Release(Qt::Key_Return);
    EXPECT_EQ(list->ItemText(0), QString("2 ms"));
    EXPECT_EQ(parent.Of(UM_LIST_ITEM_EDITED).back().lParam, 2);

    DoubleClickRow(1);
    Type("999999999999999999999");
    Release(Qt::Key_Return);
    EXPECT_EQ(list->ItemText(1), QString("60000 ms"));
    EXPECT_EQ(parent.Of(UM_LIST_ITEM_EDITED).back().lParam, 60000);
}

TEST_F(ListBoxTest, UnchangedDelayStillTellsTheParent)
{
    list->SetMode(CTransparentListBox::kModeDelay);
    Fill({"150 ms"});
    DoubleClickRow(0);
    Release(Qt::Key_Return);
    EXPECT_EQ(parent.Of(UM_LIST_ITEM_EDITED).size(), 1u);
    EXPECT_EQ(list->ItemText(0), QString("150 ms"));
    EXPECT_EQ(list->ItemData(0), 100u) << "an unchanged line is not re-inserted";
}

// --- names -------------------------------------------------------------------------------------

TEST_F(ListBoxTest, RenamingInAnUnsortedListKeepsThePlace)
{
    list->SetMode(CTransparentListBox::kModeName);
    Fill({"a", "b", "c", "d", "e", "f"});
    list->scrollToTop();
    DoubleClickRow(4);
    Type("Zed");
    Release(Qt::Key_Return);
    EXPECT_EQ(Texts(), (QStringList{"a", "b", "c", "d", "Zed", "f"}));
    EXPECT_EQ(list->ItemData(4), 0u);
    EXPECT_EQ(list->currentRow(), 4);
    const auto edited = parent.Of(UM_LIST_ITEM_EDITED);
    ASSERT_EQ(edited.size(), 1u);
    EXPECT_EQ(edited[0].wParam, 4u);
    EXPECT_EQ(edited[0].lParam, 4);
}

TEST_F(ListBoxTest, RenamingInASortedListMovesTheItemAndReportsBothPlaces)
{
    list->SetMode(CTransparentListBox::kModeName);
    list->SetSorted(true);
    Fill({"delta", "Alpha", "charlie", "bravo"});
    EXPECT_EQ(Texts(), (QStringList{"Alpha", "bravo", "charlie", "delta"}))
        << "sorted without regard to case";
    DoubleClickRow(0);
    Type("Echo");
    Release(Qt::Key_Return);
    EXPECT_EQ(Texts(), (QStringList{"bravo", "charlie", "delta", "Echo"}));
    EXPECT_EQ(list->currentRow(), 3);
    const auto edited = parent.Of(UM_LIST_ITEM_EDITED);
    ASSERT_EQ(edited.size(), 1u);
    EXPECT_EQ(edited[0].wParam, 0u);
    EXPECT_EQ(edited[0].lParam, 3);
}

TEST_F(ListBoxTest, SameNameAgainChangesNothingAndSendsNothing)
{
    list->SetMode(CTransparentListBox::kModeName);
    Fill({"one", "two"});
    DoubleClickRow(1);
    Release(Qt::Key_Return);
    EXPECT_TRUE(parent.Of(UM_LIST_ITEM_EDITED).empty());
    EXPECT_EQ(list->ItemData(1), 101u);
}

TEST_F(ListBoxTest, EscapeDiscardsAndTheFollowingFocusLossIsHarmless)
{
    list->SetMode(CTransparentListBox::kModeName);
    Fill({"one", "two"});
    DoubleClickRow(0);
    CEditHelper* editor = list->Editor();
    Type("three");
    Release(Qt::Key_Escape);
    EXPECT_EQ(list->Editor(), nullptr);
    // The editor, on its way out, still reports the lost focus as a confirmation.
    SendWindowMessage(list, UM_EDIT_END, 1, 0);
    QFocusEvent out(QEvent::FocusOut);
    QApplication::sendEvent(editor, &out);
    EXPECT_EQ(Texts(), (QStringList{"one", "two"}));
    EXPECT_TRUE(parent.Of(UM_LIST_ITEM_EDITED).empty());
}

TEST_F(ListBoxTest, ClickingElsewhereConfirmsTheEdit)
{
    list->SetMode(CTransparentListBox::kModeName);
    Fill({"one", "two"});
    parent.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&parent));
    DoubleClickRow(0);
    Type("uno");
    QFocusEvent out(QEvent::FocusOut, Qt::MouseFocusReason);
    QApplication::sendEvent(list->Editor(), &out);
    EXPECT_EQ(Texts(), (QStringList{"uno", "two"}));
    EXPECT_EQ(list->Editor(), nullptr);
}

TEST_F(ListBoxTest, ScrollingEndsAnEditKeepingTheText)
{
    list->SetMode(CTransparentListBox::kModeName);
    for (int i = 0; i < 30; ++i)
        list->AddItem(QString("name %1").arg(i), 0);
    DoubleClickRow(0);
    Type("kept");
    list->verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(list->Editor(), nullptr);
    EXPECT_EQ(list->ItemText(0), QString("kept"));
}

TEST_F(ListBoxTest, DoubleClickOffTheSelectedItemStartsNothing)
{
    list->SetMode(CTransparentListBox::kModeName);
    Fill({"one", "two"});
    list->setCurrentRow(0);
    list->BeginEditAt(RowPoint(1));
    EXPECT_EQ(list->Editor(), nullptr);
    list->clearSelection();
    list->BeginEditAt(RowPoint(0));
    EXPECT_EQ(list->Editor(), nullptr);
    EXPECT_TRUE(parent.messages.empty());
}

// --- drawing -----------------------------------------------------------------------------------

int Count(const QImage& image, QRgb colour, QRect area = QRect())
{
    if (area.isNull()) area = image.rect();
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            n += image.pixel(x, y) == colour;
    return n;
}

TEST_F(ListBoxTest, SelectedAndNormalItemsUseTheirColoursOverTheShadow)
{
    Fill({"Profile one", "Profile two"});
    list->setCurrentRow(1);
    const QImage shown = list->RenderItems();
    const int h = list->ItemHeight();
    const QRect row0(0, 0, shown.width(), h);
    const QRect row1(0, h, shown.width(), h);
    const QRgb cyan = qRgb(0, 255, 255); // 0xFFFF00 in 0x00BBGGRR
    EXPECT_GT(Count(shown, qRgb(255, 255, 255), row0), 20);
    EXPECT_EQ(Count(shown, cyan, row0), 0);
    EXPECT_GT(Count(shown, cyan, row1), 20);
    EXPECT_EQ(Count(shown, qRgb(255, 255, 255), row1), 0);
}

TEST_F(ListBoxTest, DisabledListDrawsBlackTextOverAWhiteShadow)
{
    QImage grey(200, 200, QImage::Format_RGB32);
    grey.fill(qRgb(128, 128, 128));
    list->SetBackgroundImage(grey);
    Fill({"Profile one"});
    list->setEnabled(false);
    const QImage shown = list->RenderItems();
    const QRect row(0, 0, shown.width(), list->ItemHeight() + 2);
    EXPECT_GT(Count(shown, qRgb(0, 0, 0), row), 20);
    EXPECT_GT(Count(shown, qRgb(255, 255, 255), row), 20);
    list->setEnabled(true);
    const QImage enabled = list->RenderItems();
    EXPECT_EQ(Count(enabled, qRgb(255, 255, 255), QRect(0, 0, 2, 2)), 0);
    EXPECT_GT(Count(enabled, qRgb(0, 0, 0), row), 20) << "the black shadow";
}

TEST_F(ListBoxTest, EventLinesShowTheirIconsAndLoseTheDirectionLetters)
{
    list->SetMode(CTransparentListBox::kModeDelay);
    Fill({"A up", "A dn", "150 ms", "A"});
    const QImage shown = list->RenderItems();
    const int h = list->ItemHeight();
    const int iconX = shown.width() - 20;
    EXPECT_EQ(shown.pixel(iconX, 0), kUpIcon);
    EXPECT_EQ(shown.pixel(iconX + 9, h - 1 < 13 ? h - 1 : 13), kUpIcon);
    EXPECT_EQ(shown.pixel(iconX, h), kDownIcon);
    EXPECT_EQ(shown.pixel(iconX + 13, 2 * h), kDelayIcon);
    EXPECT_EQ(Count(shown, kUpIcon, QRect(0, 3 * h, shown.width(), h)), 0) << "a plain line has no icon";
    EXPECT_EQ(Count(shown, kUpIcon, QRect(0, 0, iconX, h)), 0);

    // "A up" is written as "A ": the same pixels left of the icon as a plain "A " line.
    CTransparentListBox plain(&parent);
    plain.setGeometry(list->geometry());
    plain.SetFontAndColours(16, "Arial", 0xFFFFFF, 0xFFFF00, true, 0, 2);
    plain.AddItem("A ", 0);
    const QImage expected = plain.RenderItems();
    EXPECT_EQ(shown.copy(0, 0, iconX, h), expected.copy(0, 0, iconX, h));
}

TEST_F(ListBoxTest, OtherModesShowNoIcons)
{
    list->SetMode(CTransparentListBox::kModeName);
    Fill({"up and dn", "150 ms"});
    const QImage shown = list->RenderItems();
    EXPECT_EQ(Count(shown, kUpIcon) + Count(shown, kDownIcon) + Count(shown, kDelayIcon), 0);
}

TEST_F(ListBoxTest, ItemsStartAtTheTopIndexAfterScrolling)
{
    for (int i = 0; i < 40; ++i)
        list->AddItem(i == 10 ? "A up" : QString("line %1").arg(i), 0);
    list->SetMode(CTransparentListBox::kModeDelay);
    parent.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&parent));
    list->verticalScrollBar()->setValue(10);
    ASSERT_EQ(list->verticalScrollBar()->value(), 10);
    const QImage shown = list->RenderItems();
    EXPECT_EQ(shown.pixel(shown.width() - 20, 0), kUpIcon);
}

} // namespace
} // namespace corvane
