#include "SkinTestSupport.h"

#include "skin/BitSlider.h"
#include "skin/EditHelper.h"

#include <QApplication>
#include <QDialog>
#include <QKeyEvent>
#include <QTest>
#include <thread>

namespace corvane {
namespace {

using testing::MessageRecorder;

// --- window messages -------------------------------------------------------------------------

TEST(WindowMessageTest, SentMessagesArriveAtOnceAndCarryTheAnswer)
{
    class Answering : public QObject
    {
    public:
        bool event(QEvent* e) override
        {
            if (auto* m = WindowMessageEvent::From(e)) {
                m->SetResult(static_cast<std::intptr_t>(m->WParam() + m->LParam()));
                return true;
            }
            return QObject::event(e);
        }
    } target;
    EXPECT_EQ(SendWindowMessage(&target, UM_EDIT_END, 40, 2), 42);
    EXPECT_EQ(SendWindowMessage(nullptr, UM_EDIT_END, 1, 0), 0);
}

TEST(WindowMessageTest, DeviceEventsFromAnotherThreadArriveInOrderAsTheirMessages)
{
    MessageRecorder window;
    WindowMessageSink sink(&window);
    std::thread device([&] {
        sink.Raise(ReadFinished{ReadSource::kDevice});
        sink.Raise(HostKeyPressed{0x41});
        sink.Raise(KeyboardSettingChanged{KeyboardSetting::kSpeed, 3});
        sink.Raise(ReadFinished{ReadSource::kProfilePanel});
    });
    device.join();
    EXPECT_TRUE(window.messages.empty()) << "posted, not delivered on the sender's thread";
    QCoreApplication::sendPostedEvents(&window);
    ASSERT_EQ(window.messages.size(), 4u);
    EXPECT_EQ(window.messages[0].message, UM_READ_COMPLETE);
    EXPECT_EQ(ReadSourceOf(window.messages[0].lParam), ReadSource::kDevice);
    EXPECT_EQ(window.messages[1].message, UM_DEVICE_KEY);
    EXPECT_EQ(window.messages[1].wParam, 0x41u);
    EXPECT_EQ(window.messages[2].message, UM_KEYBOARD_SETTING);
    EXPECT_EQ(KeyboardSettingOf(window.messages[2].wParam, window.messages[2].lParam),
              (KeyboardSettingChanged{KeyboardSetting::kSpeed, 3}));
    EXPECT_EQ(window.messages[3].message, UM_READ_COMPLETE);
    EXPECT_EQ(ReadSourceOf(window.messages[3].lParam), ReadSource::kProfilePanel);
}

// --- bitmap slider ---------------------------------------------------------------------------

class BitSliderTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        slider = new CBitSlider(&owner);
        slider->SetControlId(1010);
        slider->setRange(0, 3);
        slider->move(26, 414);
        slider->SetUpSlider();
        owner.resize(300, 500);
    }
    MessageRecorder owner;
    CBitSlider* slider = nullptr;
};

TEST_F(BitSliderTest, SetUpSizesToTheTrackWithoutMoving)
{
    EXPECT_EQ(slider->size(), QSize(220, 17));
    EXPECT_EQ(slider->pos(), QPoint(26, 414));
    slider->SetUpSlider(); // repeated every paint for two of the sliders
    EXPECT_EQ(slider->geometry(), QRect(26, 414, 220, 17));
}

TEST_F(BitSliderTest, ClickAtTheEndsGivesTheEndValues)
{
    slider->setValue(1);
    QTest::mouseClick(slider, Qt::LeftButton, {}, QPoint(219, 8));
    EXPECT_EQ(slider->value(), 3);
    QTest::mouseClick(slider, Qt::LeftButton, {}, QPoint(0, 8));
    EXPECT_EQ(slider->value(), 0);
}

TEST_F(BitSliderTest, ClickRoundsHalfUp)
{
    // Three steps over the channel: a click exactly half a step in rounds up, just before it down.
    const int stepWidth = (slider->ChannelRight() - slider->ChannelLeft()) / 3;
    const int half = slider->ChannelLeft() + stepWidth / 2;
    ASSERT_EQ(stepWidth % 2, 0) << "the test needs a whole half step";
    QTest::mouseClick(slider, Qt::LeftButton, {}, QPoint(half, 8));
    EXPECT_EQ(slider->value(), 1);
    QTest::mouseClick(slider, Qt::LeftButton, {}, QPoint(half - 1, 8));
    EXPECT_EQ(slider->value(), 0);
    QTest::mouseClick(slider, Qt::LeftButton, {}, QPoint(half + 2 * stepWidth, 8));
    EXPECT_EQ(slider->value(), 3);
}

TEST_F(BitSliderTest, MovesReportTheThumbPlaceToTheOwner)
{
    QTest::mouseClick(slider, Qt::LeftButton, {}, QPoint(0, 8));
    const int atMinimum = slider->ThumbOffsetX();
    owner.messages.clear();

    QTest::mousePress(slider, Qt::LeftButton, {}, QPoint(0, 8));
    QTest::mouseMove(slider, QPoint(100, 8));
    QTest::mouseMove(slider, QPoint(219, 8));
    QTest::mouseRelease(slider, Qt::LeftButton, {}, QPoint(219, 8));
    EXPECT_EQ(slider->value(), 3);
    const auto moved = owner.Of(UM_SLIDER_MOVED);
    ASSERT_GE(moved.size(), 3u) << "press and every move report";
    for (const auto& m : moved)
        EXPECT_EQ(m.wParam, 1010u);

    EXPECT_GT(slider->ThumbOffsetX(), atMinimum);

    // Each step moves the thumb picture by the same distance, so it follows the value evenly.
    std::vector<int> offsets;
    for (int v = 0; v <= 3; ++v) {
        slider->setValue(v);
        slider->RefreshThumb();
        offsets.push_back(slider->ThumbOffsetX());
    }
    for (int v = 1; v <= 3; ++v)
        EXPECT_NEAR(offsets[v] - offsets[v - 1], 66, 1);
    EXPECT_EQ(slider->ThumbOffsetY(), 0);
}

TEST_F(BitSliderTest, WheelDoesNothingButKeysStillStep)
{
    slider->setValue(1);
    QWheelEvent wheel(QPointF(50, 8), slider->mapToGlobal(QPointF(50, 8)), QPoint(), QPoint(0, 120),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(slider, &wheel);
    EXPECT_EQ(slider->value(), 1);
    QTest::keyClick(slider, Qt::Key_Right);
    EXPECT_EQ(slider->value(), 2);
}

// --- edit helper ---------------------------------------------------------------------------------

class EditHelperTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        edit = new CEditHelper(&parent);
        parent.resize(200, 50);
    }
    std::vector<std::uintptr_t> Ends() const
    {
        std::vector<std::uintptr_t> out;
        for (const auto& m : parent.Of(UM_EDIT_END))
            out.push_back(m.wParam);
        return out;
    }
    MessageRecorder parent;
    CEditHelper* edit = nullptr;
};

TEST_F(EditHelperTest, EnterAndEscapeReportOnReleaseOnly)
{
    QTest::keyPress(edit, Qt::Key_Return);
    EXPECT_TRUE(Ends().empty());
    QTest::keyRelease(edit, Qt::Key_Return);
    EXPECT_EQ(Ends(), std::vector<std::uintptr_t>{1});
    QTest::keyPress(edit, Qt::Key_Escape);
    QTest::keyRelease(edit, Qt::Key_Escape);
    EXPECT_EQ(Ends(), (std::vector<std::uintptr_t>{1, 0}));
    QTest::keyClick(edit, Qt::Key_A);
    EXPECT_EQ(Ends().size(), 2u);
}

TEST_F(EditHelperTest, HoldingEnterReportsOnceOnTheRealRelease)
{
    QTest::keyPress(edit, Qt::Key_Enter);
    for (int i = 0; i < 3; ++i) {
        QKeyEvent repeatUp(QEvent::KeyRelease, Qt::Key_Enter, Qt::NoModifier, QString(), true);
        QApplication::sendEvent(edit, &repeatUp);
        QKeyEvent repeatDown(QEvent::KeyPress, Qt::Key_Enter, Qt::NoModifier, QString(), true);
        QApplication::sendEvent(edit, &repeatDown);
    }
    EXPECT_TRUE(Ends().empty());
    QTest::keyRelease(edit, Qt::Key_Enter);
    EXPECT_EQ(Ends(), std::vector<std::uintptr_t>{1});
}

TEST_F(EditHelperTest, LosingTheFocusConfirms)
{
    QFocusEvent out(QEvent::FocusOut, Qt::MouseFocusReason);
    QApplication::sendEvent(edit, &out);
    EXPECT_EQ(Ends(), std::vector<std::uintptr_t>{1});
}

TEST(EditHelperInDialogTest, EnterAndEscapeDoNotCloseTheDialogBeingEdited)
{
    QDialog dialog;
    auto* edit = new CEditHelper(&dialog);
    dialog.show();
    edit->setFocus();
    QTest::keyClick(edit, Qt::Key_Escape);
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), 0);
}

} // namespace
} // namespace corvane
