// The key dialog without the mouse: its controls in reading order for Tab and for assistive
// technology, in both languages, a whole assignment made with the keyboard, and the capture lines,
// where Tab is a key the user may assign and also the way on. Each case runs with a hook that sees
// every keystroke before the window does (X11) and with the hook that takes the window's own keys.

#include "KeyDialogFixture.h"

#include "platform/qt/KeyboardHooks.h"
#include "skin/VividTree.h"

#include <QAccessible>
#include <QApplication>
#include <QKeyEvent>
#include <algorithm>

namespace corvane::keytest {
namespace {

struct Stroke
{
    Qt::Key key;
    std::uint8_t virtualKey;
    std::uint16_t linuxKey;
    Qt::KeyboardModifiers modifiers = Qt::NoModifier;
};
const Stroke kTab{Qt::Key_Tab, 9, 15};
const Stroke kShiftTab{Qt::Key_Tab, 9, 15, Qt::ShiftModifier};
const Stroke kShift{Qt::Key_Shift, kLShift, 42, Qt::ShiftModifier};
const Stroke kCtrl{Qt::Key_Control, kLCtrl, 29, Qt::ControlModifier};
const Stroke kSpace{Qt::Key_Space, 32, 57};
const Stroke kDown{Qt::Key_Down, 40, 108};
const Stroke kRight{Qt::Key_Right, 39, 106};
const Stroke kLeft{Qt::Key_Left, 37, 105};
const Stroke kKeyC{Qt::Key_C, 'C', 46};
const Stroke kKeyF5{Qt::Key_F5, kF5, 63};

enum class Hook { kSeesEverything, kWindowOnly };

class KeyboardOnlyTest : public KeyDialogTest, public ::testing::WithParamInterface<Hook>
{
public:
    void OpenActive(std::uint16_t language = kLanguageEnglish)
    {
        if (!dialog) {
            KeyboardHook* used = &hook;
            if (GetParam() == Hook::kWindowOnly) used = &windowHook;
            dialog =
                std::make_unique<CKeyMap>(*state, *macros, StandardKeyCodeTable(), prompt, used, language);
            dialog->SetLaunchChooser(&chooser);
        }
        Open(kSlotA, language);
        dialog->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
    }

    // A keystroke as the user makes it: the X11 hook hears it first, then the focused control
    // gets it; the window's own hook takes it from the control's events.
    void Press(const Stroke& stroke)
    {
        QWidget* target = QApplication::focusWidget() != nullptr ? QApplication::focusWidget() : dialog.get();
        if (GetParam() == Hook::kSeesEverything) {
            hook.Press(stroke.virtualKey);
            QTest::keyClick(target, stroke.key, stroke.modifiers);
        } else {
            const quint32 scan = stroke.linuxKey + 8u;
            // With its text, as the window system gives it: views search items by it.
            const QString text = QTest::keyToAscii(stroke.key) != 0 && stroke.modifiers == Qt::NoModifier
                                     ? QString(QChar::fromLatin1(QTest::keyToAscii(stroke.key)))
                                     : QString();
            QKeyEvent press(QEvent::KeyPress, stroke.key, stroke.modifiers, scan, 0, 0, text);
            QApplication::sendEvent(target, &press);
            QKeyEvent release(QEvent::KeyRelease, stroke.key, stroke.modifiers, scan, 0, 0, text);
            QApplication::sendEvent(QApplication::focusWidget() != nullptr ? QApplication::focusWidget()
                                                                           : dialog.get(),
                                    &release);
        }
        QCoreApplication::processEvents();
    }
    void Press(std::initializer_list<Stroke> strokes)
    {
        for (const Stroke& stroke : strokes)
            Press(stroke);
    }

    // The name of what has the keyboard focus: a drawn control's, or a child widget's own.
    QString Focused() const
    {
        if (const std::optional<int> id = dialog->FocusedControl())
            return FindControl(dialog->Controls(), *id)->name;
        QWidget* now = QApplication::focusWidget();
        return now != nullptr && now != dialog.get() ? now->accessibleName() : QString();
    }
    // Tab until the control named has the focus; false when a whole round does not reach it.
    bool TabTo(const QString& name)
    {
        for (int step = 0; step < 30 && Focused() != name; ++step)
            Press(kTab);
        return Focused() == name;
    }

    // The page tabs are one Tab stop: Tab to them, the arrows to the page's tab, Space opens it.
    bool OpenPage(int page)
    {
        const bool german = dialog->Controls().front().name.startsWith(QStringLiteral("Ausgew"));
        const QString tabs[4] = {"Single/Combine", "Macro", german ? "Einfach" : "Basic",
                                 german ? "Fortgeschritten" : "Advance"};
        for (int step = 0; step < 30 && (!dialog->FocusedControl() ||
                                         FindControl(dialog->Controls(), *dialog->FocusedControl())->role !=
                                             QAccessible::PageTab);
             ++step)
            Press(kTab);
        for (int step = 0; step < 4 && Focused() != tabs[page]; ++step)
            Press(std::find(tabs, tabs + 4, Focused()) - tabs < page ? kRight : kLeft);
        Press(kSpace);
        return dialog->Page() == page;
    }

    bool TabTo(QWidget* control)
    {
        for (int step = 0; step < 30 && QApplication::focusWidget() != control; ++step)
            Press(kTab);
        return QApplication::focusWidget() == control;
    }

    FocusKeyboardHook windowHook;
};

// ---- Reading order --------------------------------------------------------------------------

struct OrderCase
{
    int page;
    std::uint16_t language;
    std::vector<QString> stops; // after the page's tab, up to the title strip's close mark
};

TEST_P(KeyboardOnlyTest, TabVisitsEachPageInReadingOrder)
{
    NameMacros({u"Macro_001"});
    const std::vector<OrderCase> cases = {
        {0, kLanguageEnglish, {"Single", "Combine", "Disable key", "Reset", "Close", "Save"}},
        {0,
         kLanguageGerman,
         {"Einzeln", "Kombiniere", "Deaktivieren Taste", "Rücksetzen", "Schließen", "Speichern"}},
        {1, kLanguageEnglish, {"Macro", "Disable key", "Reset", "Close", "Save"}},
        {2, kLanguageGerman, {"Einfach", "Deaktivieren Taste", "Rücksetzen", "Schließen", "Speichern"}},
        // The options are one stop; each row's Browse button is its own.
        {3,
         kLanguageEnglish,
         {"Play music", "Browse: Play music", "Browse: Startup", "Browse: Open file", "Browse: Open folder",
          "Disable key", "Reset", "Close", "Save"}},
        {3,
         kLanguageGerman,
         {"Spiel Musik", "Durchsuchen: Spiel Musik", "Durchsuchen: Autostart", "Durchsuchen: Datei öffnen",
          "Durchsuchen: Ordner öffnen", "Deaktivieren Taste", "Rücksetzen", "Schließen", "Speichern"}},
    };
    for (const OrderCase& c : cases) {
        SCOPED_TRACE(::testing::Message() << "page " << c.page << ", language " << c.language);
        dialog.reset();
        OpenActive(c.language);
        const bool german = c.language == kLanguageGerman;
        std::vector<QString> tabs = {"Single/Combine", "Macro", german ? "Einfach" : "Basic",
                                     german ? "Fortgeschritten" : "Advance"};
        ASSERT_TRUE(OpenPage(c.page));
        // One whole round from the page's tab: every stop once, in order, and round again.
        const QString tab = tabs[static_cast<std::size_t>(c.page)];
        ASSERT_TRUE(TabTo(tab));
        std::vector<QString> expected = {tab};
        expected.insert(expected.end(), c.stops.begin(), c.stops.end());
        expected.push_back(german ? "Abbrechen" : "Cancel");
        expected.push_back(tab);
        std::vector<QString> seen = {Focused()};
        for (std::size_t i = 1; i < expected.size(); ++i) {
            Press(kTab);
            seen.push_back(Focused());
        }
        EXPECT_EQ(QStringList(seen.begin(), seen.end()).join(" | ").toStdString(),
                  QStringList(expected.begin(), expected.end()).join(" | ").toStdString());
        // The current page's tab reads as checked; only it.
        for (const DrawnControl& control : dialog->Controls()) {
            if (control.role != QAccessible::PageTab) continue;
            EXPECT_EQ(control.checked, control.name == tabs[static_cast<std::size_t>(c.page)])
                << control.name.toStdString();
        }
        EXPECT_EQ(dialog->Controls().front().name,
                  QString(german ? "Ausgewählte Taste:A" : "Selected key:A"));
        ClickClose();
    }
}

// ---- A whole assignment ---------------------------------------------------------------------

TEST_P(KeyboardOnlyTest, AssignsWithoutTheMouse)
{
    NameMacros({u"Macro_001", u"Macro_002"});
    for (const std::uint16_t language : {kLanguageEnglish, kLanguageGerman}) {
        const bool german = language == kLanguageGerman;
        const QString save = german ? "Speichern" : "Save";
        dialog.reset();
        // A function from the tree: its category opens with Space, the function is chosen with Space.
        OpenActive(language);
        ASSERT_TRUE(OpenPage(2));
        // The page's controls follow the four tabs.
        ASSERT_TRUE(TabTo(dialog->FunctionTree()));
        // Down from wherever the tree starts its cursor, to the category.
        for (int step = 0; step < 6 && (dialog->FunctionTree()->currentItem() == nullptr ||
                                        dialog->FunctionTree()->currentItem()->text(0) != "Media");
             ++step)
            Press(kDown);
        ASSERT_EQ(dialog->FunctionTree()->currentItem()->text(0), "Media");
        EXPECT_FALSE(dialog->FunctionTree()->currentItem()->isExpanded());
        Press(kSpace);
        EXPECT_TRUE(dialog->FunctionTree()->currentItem()->isExpanded());
        Press({kDown, kSpace});
        ASSERT_TRUE(TabTo(save));
        Press(kSpace);
        ASSERT_TRUE(Accepted());
        EXPECT_EQ(result.kind, KeyFunctionKind::kNamedFunction);
        EXPECT_EQ(result.functionName, "Media Player");

        // A macro from the list.
        OpenActive(language);
        ASSERT_TRUE(OpenPage(1));
        ASSERT_TRUE(TabTo(dialog->MacroList()));
        Press({kDown, kDown, kSpace});
        ASSERT_TRUE(TabTo(save));
        Press(kSpace);
        ASSERT_TRUE(Accepted());
        EXPECT_EQ(result.kind, KeyFunctionKind::kMacro);
        EXPECT_EQ(result.macroNumber, 1);

        // A key typed into the single line, which is then full: Tab moves on, Space on Save is
        // Save's and not the key's.
        OpenActive(language);
        ASSERT_TRUE(TabTo(german ? "Einzeln" : "Single"));
        Press(kKeyF5);
        ASSERT_TRUE(TabTo(save));
        Press(kSpace);
        ASSERT_TRUE(Accepted());
        EXPECT_EQ(result.kind, KeyFunctionKind::kSingleKey);
        EXPECT_EQ(Keys(), (std::vector<std::uint8_t>{kF5}));
    }
}

// ---- The capture lines ----------------------------------------------------------------------

struct LineCase
{
    const char* name;
    std::vector<Stroke> strokes; // from the dialog opened on the stored single key F5
    QString focusedAfter;
    KeyFunctionKind savedKind;
    std::vector<std::uint8_t> savedKeys;
};

TEST_P(KeyboardOnlyTest, CaptureLinesTakeTabOnlyWhereItIsAKey)
{
    const std::vector<LineCase> cases = {
        {"passing through keeps the stored key",
         {kTab, kTab},
         "Disable key",
         KeyFunctionKind::kSingleKey,
         {kF5}},
        {"Shift+Tab goes back to the page tabs without taking Shift",
         {kShift, kShiftTab},
         "Single/Combine",
         KeyFunctionKind::kSingleKey,
         {kF5}},
        {"a typed key fills the single line", {kKeyC, kTab}, "Combine", KeyFunctionKind::kSingleKey, {'C'}},
        {"Space makes Tab the single key",
         {kTab, kShift, kShiftTab, kSpace, kTab, kTab},
         "Combine",
         KeyFunctionKind::kSingleKey,
         {9}},
        {"Tab alone as a combination",
         {kTab, kSpace, kTab, kTab},
         "Disable key",
         KeyFunctionKind::kCombination,
         {9}},
        {"Ctrl+Tab as a combination",
         {kTab, kSpace, kCtrl, kTab, kTab},
         "Disable key",
         KeyFunctionKind::kCombination,
         {kLCtrl, 9}},
        {"a repeated key ends a combination",
         {kTab, kCtrl, kKeyC, kKeyC, kTab},
         "Disable key",
         KeyFunctionKind::kCombination,
         {kLCtrl, 'C'}},
        {"Shift+Tab out of a combination takes only Shift back",
         {kTab, kCtrl, kKeyC, kKeyC, kShift, kShiftTab},
         "Single",
         KeyFunctionKind::kCombination,
         {kLCtrl, 'C'}},
    };
    for (const LineCase& c : cases) {
        SCOPED_TRACE(c.name);
        StoreKeys(KeyFunctionKind::kSingleKey, {kF5});
        OpenActive();
        ASSERT_EQ(QApplication::focusWidget(), dialog->SingleEdit());
        for (const Stroke& stroke : c.strokes)
            Press(stroke);
        EXPECT_EQ(Focused().toStdString(), c.focusedAfter.toStdString());
        ASSERT_TRUE(TabTo("Save"));
        Press(kSpace);
        ASSERT_TRUE(Accepted());
        EXPECT_EQ(result.kind, c.savedKind);
        EXPECT_EQ(Keys(), c.savedKeys);
    }
}

// ---- Names of the list's and the tree's items ----------------------------------------------

TEST_P(KeyboardOnlyTest, ItemsOfTheTreeAndTheListCarryTheirNames)
{
    NameMacros({u"Macro_001", u"Makro zwei"});
    for (const std::uint16_t language : {kLanguageEnglish, kLanguageGerman}) {
        dialog.reset();
        OpenActive(language);
        const auto names = [](QWidget* view) {
            QStringList found;
            QAccessibleInterface* face = QAccessible::queryAccessibleInterface(view);
            for (int i = 0; face != nullptr && i < face->childCount(); ++i)
                if (QAccessibleInterface* item = face->child(i);
                    item->role() == QAccessible::TreeItem || item->role() == QAccessible::ListItem)
                    found << item->text(QAccessible::Name);
            return found;
        };
        ClickTab(2);
        const QStringList tree = names(dialog->FunctionTree());
        for (const char* function : {"Search", "Run", "Media", "Shortcut", "Windows", "Close window"})
            EXPECT_TRUE(tree.contains(QString::fromUtf8(function))) << function << " in " << language;
        ClickTab(1);
        EXPECT_EQ(names(dialog->MacroList()).join(",").toStdString(), "Macro_001,Makro zwei");
        ClickClose();
    }
}

INSTANTIATE_TEST_SUITE_P(Hooks, KeyboardOnlyTest, ::testing::Values(Hook::kSeesEverything, Hook::kWindowOnly),
                         [](const ::testing::TestParamInfo<Hook>& info) {
                             return info.param == Hook::kSeesEverything ? std::string("X11")
                                                                        : std::string("WindowOnly");
                         });

} // namespace
} // namespace corvane::keytest
