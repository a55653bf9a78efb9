#include "data/DataController.h"

#include <gtest/gtest.h>

#include <string>

namespace {

constexpr std::uint32_t Sel(std::uint16_t start, std::uint16_t length) { return EditState::MakeSelection(start, length); }

// The note-edit history as the view drives it: every step names what the editor shows afterwards.
class EditHistory : public testing::Test {
protected:
    EditState Undo(std::uint32_t selection, const std::string& text)
    {
        EditState shown;
        EXPECT_EQ(m_controller.UndoEdit(selection, text, shown), RC_OK);
        return shown;
    }
    // What the view does for a redo: the undo point after the index takes the editor's selection first.
    EditState Redo(std::uint32_t selectionNow)
    {
        EXPECT_EQ(m_controller.UpdateNextUndoSelection(selectionNow), RC_OK);
        EditState shown;
        EXPECT_EQ(m_controller.RedoEdit(shown), RC_OK);
        return shown;
    }
    void Record(std::uint32_t selection, const std::string& text)
    {
        ASSERT_EQ(m_controller.RecordEditState(selection, text), RC_OK);
    }

    CDataController m_controller;
};

TEST_F(EditHistory, UndoThenRedoThenNothingMore)
{
    Record(Sel(0, 1), "a");
    EXPECT_EQ(Undo(Sel(2, 0), "ab"), (EditState{Sel(0, 1), "a"}));
    EditState shown;
    EXPECT_EQ(m_controller.RedoEdit(shown), RC_OK);
    EXPECT_EQ(shown, (EditState{Sel(2, 0), "ab"}));
    shown = {Sel(7, 7), "untouched"};
    EXPECT_EQ(m_controller.RedoEdit(shown), RC_NOTHING_TO_REDO);
    EXPECT_EQ(shown, (EditState{Sel(7, 7), "untouched"}));
}

TEST_F(EditHistory, WithoutAnUndoPointUndoShowsTheEditorUnchanged)
{
    EXPECT_EQ(Undo(Sel(3, 0), "abc"), (EditState{Sel(3, 0), "abc"}));
    EXPECT_FALSE(m_controller.HasUndoPoint());
    EXPECT_FALSE(m_controller.HasRedoState());

    Record(Sel(0, 3), "abc");
    ASSERT_EQ(m_controller.ClearEditHistory(), RC_OK);
    EXPECT_EQ(Undo(Sel(1, 0), "x"), (EditState{Sel(1, 0), "x"}));
    EditState shown;
    EXPECT_EQ(m_controller.RedoEdit(shown), RC_NOTHING_TO_REDO);
}

TEST_F(EditHistory, ClearingForgetsTheRedoState)
{
    Record(Sel(0, 3), "abc");
    (void)Undo(Sel(1, 0), "x");
    ASSERT_TRUE(m_controller.HasRedoState());
    ASSERT_EQ(m_controller.ClearEditHistory(), RC_OK);
    EditState shown;
    EXPECT_EQ(m_controller.RedoEdit(shown), RC_NOTHING_TO_REDO);
    EXPECT_FALSE(m_controller.HasUndoPoint());
}

// Open "abc" (all selected), type x; the single Undo command then alternates: abc, x, abc, ...
TEST_F(EditHistory, UndoAndRedoAlternateBetweenTheTwoTexts)
{
    Record(Sel(0, 3), "abc");
    EXPECT_TRUE(m_controller.HasUndoPoint());
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        EXPECT_EQ(Undo(Sel(1, 0), "x"), (EditState{Sel(0, 3), "abc"}));
        EXPECT_FALSE(m_controller.HasUndoPoint());
        EXPECT_TRUE(m_controller.HasRedoState());
        EXPECT_EQ(Redo(Sel(0, 3)), (EditState{Sel(1, 0), "x"}));
        EXPECT_TRUE(m_controller.HasUndoPoint());
        EXPECT_FALSE(m_controller.HasRedoState());
    }
}

TEST_F(EditHistory, RepeatedUndosRestoreTheSamePoint)
{
    Record(Sel(0, 3), "abc");
    EXPECT_EQ(Undo(Sel(1, 0), "x"), (EditState{Sel(0, 3), "abc"}));
    EXPECT_EQ(Undo(Sel(0, 3), "abc"), (EditState{Sel(0, 3), "abc"}));
    // The redo state is the editor as it was at the last undo.
    EXPECT_EQ(Redo(Sel(0, 3)), (EditState{Sel(0, 3), "abc"}));
}

// Open "abc", type x, Left arrow, type 1 and 2: the arrow started a new undo point, so Undo shows x
// with the caret before it, never abc.
TEST_F(EditHistory, OnlyTheLatestUndoPointIsKept)
{
    Record(Sel(0, 3), "abc"); // editor opened
    Record(Sel(0, 3), "abc"); // x typed over the selection
    Record(Sel(0, 0), "x");   // 1 typed after the arrow moved the caret
    EXPECT_EQ(Undo(Sel(2, 0), "12x"), (EditState{Sel(0, 0), "x"}));
    EXPECT_EQ(Undo(Sel(0, 0), "x"), (EditState{Sel(0, 0), "x"}));
}

// After an undo, a new key records a point: the next Undo undoes again instead of redoing.
TEST_F(EditHistory, RecordingAfterAnUndoDropsTheRedoState)
{
    Record(Sel(0, 3), "abc");
    (void)Undo(Sel(1, 0), "x");
    Record(Sel(3, 0), "abc");
    EXPECT_FALSE(m_controller.HasRedoState());
    EXPECT_TRUE(m_controller.HasUndoPoint());
    EXPECT_EQ(Undo(Sel(4, 0), "abcq"), (EditState{Sel(3, 0), "abc"}));
    EXPECT_EQ(Redo(Sel(3, 0)), (EditState{Sel(4, 0), "abcq"}));
}

// A redo lets the next undo put the caret back where it was when the redo happened.
TEST_F(EditHistory, RedoCarriesTheCurrentSelectionIntoTheNextUndo)
{
    Record(Sel(0, 3), "abc");
    (void)Undo(Sel(1, 0), "x");
    EXPECT_EQ(Redo(Sel(1, 1)), (EditState{Sel(1, 0), "x"}));
    EXPECT_EQ(Undo(Sel(1, 0), "x"), (EditState{Sel(1, 1), "abc"}));
}

TEST_F(EditHistory, SelectionUpdateWithoutAPointAfterTheIndexChangesNothing)
{
    Record(Sel(0, 3), "abc");
    ASSERT_EQ(m_controller.UpdateNextUndoSelection(Sel(2, 0)), RC_OK);
    EXPECT_EQ(Undo(Sel(1, 0), "x"), (EditState{Sel(0, 3), "abc"}));
    ASSERT_EQ(m_controller.ClearEditHistory(), RC_OK);
    EXPECT_EQ(m_controller.UpdateNextUndoSelection(Sel(2, 0)), RC_OK);
    EXPECT_EQ(Undo(Sel(1, 0), "x"), (EditState{Sel(1, 0), "x"}));
}

TEST_F(EditHistory, TextsComeBackByteForByte)
{
    const std::string withNul("a\0b", 3);
    const std::string japanese = "\xE3\x83\x97\xE3\x83\xAA\xE3\x82\xBB\xE3\x83\x83\xE3\x83\x88";
    const std::string longText(100000, 'n');
    Record(Sel(0, 0), withNul);
    EXPECT_EQ(Undo(Sel(0, 0), japanese).text, withNul);
    EXPECT_EQ(Redo(Sel(0, 0)).text, japanese);
    Record(Sel(0xFFFF, 0xFFFF), longText);
    const EditState shown = Undo(Sel(0, 0), "");
    EXPECT_EQ(shown.text, longText);
    EXPECT_EQ(shown.SelectionStart(), 0xFFFF);
    EXPECT_EQ(shown.SelectionLength(), 0xFFFF);
}

// ---------------------------------------------------------------------------------------------------
// Notes

TEST(DataControllerNotes, AKeyWithoutANoteGetsAnEmptyOne)
{
    CDataController controller;
    EXPECT_TRUE(controller.Notes().empty());
    std::string* note = controller.NoteFor(7);
    ASSERT_NE(note, nullptr);
    EXPECT_EQ(*note, "");
    EXPECT_EQ(controller.Notes().count(7), 1u);
    EXPECT_EQ(controller.Notes().size(), 1u);
}

TEST(DataControllerNotes, NotesAreKeptPerKey)
{
    CDataController controller;
    *controller.NoteFor(0) = "first";
    *controller.NoteFor(0xFFFF) = "last";
    *controller.NoteFor(3) = "a, b; c";
    EXPECT_EQ(*controller.NoteFor(0), "first");
    EXPECT_EQ(*controller.NoteFor(0xFFFF), "last");
    EXPECT_EQ(*controller.NoteFor(3), "a, b; c");
    EXPECT_EQ(controller.NoteFor(3), controller.NoteFor(3));
    EXPECT_EQ(controller.Notes().size(), 3u);
    EXPECT_EQ(controller.Notes().begin()->first, 0);
}

} // namespace
