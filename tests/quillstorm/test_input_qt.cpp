// The toolkit's key and mouse events on the shown window, through the view's key mapping and the
// frame's accelerators, and copy and paste through the system clipboard.
#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QTest>

#include "inputfixture.h"
#include "platform/ui/virtualkeys.h"
#include "pumenu/pumenu.h"

namespace {

class QtInput : public InputFixture {
protected:
    void SetUp() override {
        InputFixture::SetUp();
        Frame()->activateWindow();
        QApplication::setActiveWindow(Frame());
        View()->setFocus();
        QGuiApplication::clipboard()->clear();
    }
    void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) { QTest::keyClick(View(), key, modifiers); }
    void Keys(const QKeySequence& keys) { QTest::keySequence(View(), keys); }
    QString Clipboard() const { return QGuiApplication::clipboard()->text(); }
};

TEST_F(QtInput, TypedTextTabReturnAndBackspaceReachTheCanvas) {
    QTest::keyClicks(View(), "hello world");
    EXPECT_EQ(Scene(), "[hello][ ][world|]");
    Key(Qt::Key_Backspace);
    Key(Qt::Key_Return);
    Key(Qt::Key_Tab);
    EXPECT_EQ(Scene(), "[hello][ ][worl][~][ ][ ][ ][ ]|");
    EXPECT_TRUE(View()->hasFocus()) << "Tab does not move the focus";
    Key(Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_TRUE(View()->hasFocus());
    EXPECT_EQ(View()->m_bModified, 1);
}

TEST_F(QtInput, KeysMapToTheirVirtualKeys) {
    struct Case {
        int qt;
        UINT vk;
    } cases[] = {
        {Qt::Key_Escape, VK_ESCAPE}, {Qt::Key_Left, VK_LEFT},   {Qt::Key_Right, VK_RIGHT}, {Qt::Key_Up, VK_UP},
        {Qt::Key_Down, VK_DOWN},     {Qt::Key_F1, VK_F1},       {Qt::Key_F6, VK_F6},       {Qt::Key_F12, VK_F1 + 11},
        {Qt::Key_Space, VK_SPACE},   {Qt::Key_Return, VK_RETURN}, {Qt::Key_Enter, VK_RETURN}, {Qt::Key_Tab, VK_TAB},
        {Qt::Key_Backspace, VK_BACK}, {Qt::Key_Delete, VK_DELETE}, {Qt::Key_A, 'A'},      {Qt::Key_Z, 'Z'},
        {Qt::Key_0, '0'},            {Qt::Key_9, '9'},          {Qt::Key_Shift, VK_SHIFT}, {Qt::Key_unknown, 0},
    };
    for (const Case& c : cases) EXPECT_EQ(CQuillView::VirtualKeyOf(c.qt), c.vk) << "Qt key " << c.qt;
    EXPECT_EQ(CQuillView::MouseFlagsOf(Qt::LeftButton | Qt::RightButton, Qt::ShiftModifier | Qt::ControlModifier),
              MK_LBUTTON | MK_RBUTTON | MK_SHIFT | MK_CONTROL);
    EXPECT_EQ(CQuillView::MouseFlagsOf(Qt::NoButton, Qt::AltModifier), 0u);
}

TEST_F(QtInput, ArrowsEscapeAndFunctionKeys) {
    QTest::keyClicks(View(), "ab");
    Key(Qt::Key_Left);
    EXPECT_EQ(Scene(), "[a|b]");
    Key(Qt::Key_Right);
    EXPECT_EQ(Scene(), "[ab|]");
    Key(Qt::Key_Escape);
    EXPECT_EQ(Book()->GetRunState(), 1) << "Escape runs the scene";
    Key(Qt::Key_Escape);
    EXPECT_EQ(Book()->GetRunState(), 0);
    EXPECT_EQ(Scene(), "[ab|]") << "the escape character is not typed";
    Key(Qt::Key_F3);
    EXPECT_EQ(View()->m_bShowGrid, 1);
    Key(Qt::Key_F3);
    EXPECT_EQ(View()->m_bShowGrid, 0);
    Key(Qt::Key_F4);
    EXPECT_EQ(View()->m_bShowHierarchy, 1);
    Key(Qt::Key_F2);
    EXPECT_EQ(View()->m_bCaretHidden, 1);
    View()->m_bModified = 0;
    Key(Qt::Key_Delete);
    EXPECT_EQ(View()->m_bModified, 0) << "the Delete key types nothing";
}

TEST_F(QtInput, CutUndoAndTheirOtherKeysNeverReachTheCanvas) {
    QTest::keyClicks(View(), "ab");
    View()->m_bModified = 0;
    for (const QKeySequence& keys : {QKeySequence(Qt::CTRL | Qt::Key_X), QKeySequence(Qt::SHIFT | Qt::Key_Delete),
                                     QKeySequence(Qt::CTRL | Qt::Key_Z), QKeySequence(Qt::ALT | Qt::Key_Backspace)}) {
        SCOPED_TRACE(keys.toString().toStdString());
        Keys(keys);
        EXPECT_EQ(Scene(), "[ab|]");
        EXPECT_EQ(View()->m_bModified, 0);
    }
    EXPECT_TRUE(m_ui.Calls().empty());
}

TEST_F(QtInput, CopyNeedsASelectionAndPasteTypesTheClipboardText) {
    QTest::keyClicks(View(), "ab c");
    Key(Qt::Key_Return);
    QTest::keyClicks(View(), "d");
    CQuillView* v = View();
    QGuiApplication::clipboard()->setText("untouched");
    EXPECT_FALSE(v->OnUpdateEditCopy());
    Keys(QKeySequence(Qt::CTRL | Qt::Key_C));
    EXPECT_EQ(Clipboard(), "untouched") << "copy is disabled without a selection";

    v->m_selection.AddTail(PassageAt(0));
    EXPECT_TRUE(v->OnUpdateEditCopy());
    Keys(QKeySequence(Qt::CTRL | Qt::Key_C));
    EXPECT_EQ(Clipboard(), "ab c\nd") << "line breaks leave as LF";
    v->m_selection.RemoveAll();

    // Paste after a click on empty space: the same words again in a passage of their own.
    v->m_nClickAge = 51;
    QTest::mouseClick(v, Qt::LeftButton, Qt::NoModifier, QPoint(100, 300));
    v->m_bModified = 0;
    Keys(QKeySequence(Qt::SHIFT | Qt::Key_Insert));
    EXPECT_EQ(Scene(), "[ab][ ][c][~][d] / [ab][ ][c][~][d|]");
    EXPECT_EQ(v->m_bModified, 1);
    EXPECT_EQ(PassageAt(1)->GetAbsolutePoint(), CPoint(100, 302));

    // Copying a word and a glyph gives their characters in selection order.
    v->m_selection.AddTail(GlyphAt(1, 4, 0));
    v->m_selection.AddTail(WordAt(1, 0));
    v->OnEditCopy();
    EXPECT_EQ(Clipboard(), "dab");
}

TEST_F(QtInput, PastedTextIsTypedCharacterByCharacter) {
    struct Case {
        const char* name;
        QString text;
        const char* after;
    } cases[] = {
        {"CR LF is one line break", "x\r\ny", "[x][~][y|]"},
        {"so is LF", "x\ny", "[x][~][y|]"},
        {"and a lone CR", "x\ry", "[x][~][y|]"},
        {"two LFs, two breaks", "x\n\ny", "[x][~][~][y|]"},
        {"tab and backspace act as typed", "a\tb\bc", "[a][ ][ ][ ][ ][c|]"},
        // e acute and the euro sign have bytes (from 128 up: not typed), the CJK character none.
        {"characters that are not typed are dropped", QString::fromUtf8("a\xC3\xA9\xE2\x82\xAC\xE4\xB8\x80" "b"),
         "[ab|]"},
        {"the text ends at a zero", QString("ab") + QChar(0) + "cd", "[ab|]"},
    };
    CQuillView* v = View();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ClearScene();
        QGuiApplication::clipboard()->setText(c.text);
        ASSERT_TRUE(v->OnUpdateEditPaste());
        Keys(QKeySequence(Qt::CTRL | Qt::Key_V));
        EXPECT_EQ(Scene(), c.after);
    }
}

TEST_F(QtInput, PasteNeedsTextAndIsIgnoredWhileTheSprayerRuns) {
    CQuillView* v = View();
    QGuiApplication::clipboard()->clear();
    EXPECT_FALSE(v->OnUpdateEditPaste());
    v->m_bModified = 0;
    Keys(QKeySequence(Qt::CTRL | Qt::Key_V));
    EXPECT_EQ(v->m_bModified, 0);
    EXPECT_EQ(Scene(), "");

    QGuiApplication::clipboard()->setText("ab");
    v->m_bSpraying = 1;
    v->OnEditPaste();
    v->m_bSpraying = 0;
    EXPECT_EQ(Scene(), "");
}

TEST_F(QtInput, MouseEventsReachTheHandlersWithTheirFlags) {
    CQuillView* v = View();
    ASSERT_TRUE(v->hasMouseTracking());
    QTest::mouseMove(v, QPoint(120, 130));
    EXPECT_EQ(Book()->GetMousePoint(), CPoint(120, 130)) << "moves without a button reach the book";

    QTest::keyClicks(v, "ab cd");
    // A rubber band with the real button: from above the text to inside the c.
    CKTGlyph* c = GlyphAt(0, 2, 0);
    const CRect rc = c->GetAbsoluteBounds();
    v->m_nClickAge = 51;
    QTest::mousePress(v, Qt::LeftButton, Qt::NoModifier, QPoint(40, 10));
    const QPointF to(rc.left + 1, rc.top + 1);
    QMouseEvent move(QEvent::MouseMove, to, v->mapToGlobal(to), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(v, &move);
    QTest::mouseRelease(v, Qt::LeftButton, Qt::NoModifier, QPoint(rc.left + 1, rc.top + 1));
    EXPECT_EQ(v->m_selection.GetCount(), 3);
    EXPECT_EQ(v->m_pSelected, c);

    // A Control click on empty space keeps it.
    v->m_nClickAge = 51;
    QTest::mouseClick(v, Qt::LeftButton, Qt::ControlModifier, QPoint(500, 400));
    EXPECT_EQ(v->m_selection.GetCount(), 3);
    EXPECT_EQ(v->m_ptCaret, CPoint(500, 402));

    // The right button opens and closes the menu.
    QTest::mousePress(v, Qt::RightButton, Qt::NoModifier, QPoint(300, 200));
    EXPECT_TRUE(v->m_pMenu->IsVisible());
    EXPECT_EQ(v->m_pMenu->GetCenter(), CPoint(300, 200));
    QTest::mouseRelease(v, Qt::RightButton, Qt::NoModifier, QPoint(300, 200));
    EXPECT_FALSE(v->m_pMenu->IsVisible());
}

}  // namespace
