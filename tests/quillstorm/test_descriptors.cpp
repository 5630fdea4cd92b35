// The program in a process that has run out of file descriptors: a message still shows (its window
// needs a descriptor while it opens: the reserve makes room for it), is answered, and the reserve is
// taken again; nothing of the scene is lost.
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <optional>

#include "kernel/descriptorfill.h"
#include "platform/kernel/fdreserve.h"
#include "scopedqtui.h"
#include "test_document.h"

namespace {

using OutOfDescriptors = DocumentFixture;

TEST_F(OutOfDescriptors, ASaveShowsItsMessageAndTheSceneSavesLater) {
    ASSERT_TRUE(kernel::HoldsDescriptorReserve());  // taken at the program's start
    CHookedBoxUI ui;
    Type("scene");
    // Every type a failed save meets, met once while descriptors are free: a sanitizer's check of
    // an object's type opens descriptors of its own the first time it sees the type.
    v()->NameScene("no-such-folder/doc.qsd");
    EXPECT_FALSE(v()->OnFileSave());
    v()->NameScene("doc.qsd");
    ui.Clear();

    bool bRoom = false;
    ui.onMessageBox = [&] { bRoom = kernel::CanOpenDescriptors(); };
    {
        CDescriptorFill fill;
        ASSERT_FALSE(kernel::CanOpenDescriptors());
        EXPECT_FALSE(v()->OnFileSave());
        ASSERT_EQ(ui.Calls().size(), 1u);
        EXPECT_EQ(ui.Calls()[0].strText, "doc.qsd could not be opened because there are too many open files.");
        EXPECT_TRUE(bRoom);  // the message had room to show in
        EXPECT_TRUE(kernel::HoldsDescriptorReserve());
        EXPECT_TRUE(v()->m_bModified);
    }
    EXPECT_FALSE(Exists(Path("doc.qsd")));
    EXPECT_TRUE(v()->OnFileSave());
    EXPECT_EQ(ui.Calls().size(), 1u);
    EXPECT_FALSE(v()->m_bModified);
    EXPECT_TRUE(Exists(Path("doc.qsd")));
}

// The toolkit's message box, asked for while no descriptor is free, has the reserve's room for as
// long as it is up; with descriptors free, the reserve stays where it is.
TEST(OutOfDescriptorsQt, AMessageBoxHasRoomWhileItIsUp) {
    ASSERT_TRUE(kernel::TakeDescriptorReserve());
    CScopedQtUIServices qt;
    for (const bool bShort : {false, true}) {
        SCOPED_TRACE(bShort ? "no descriptor free" : "descriptors free");
        std::optional<CDescriptorFill> fill;
        if (bShort) fill.emplace();
        ASSERT_EQ(kernel::CanOpenDescriptors(), !bShort);
        bool bRoom = false;
        bool bReserveHeld = false;
        QTimer::singleShot(0, [&] {
            bRoom = kernel::CanOpenDescriptors();
            bReserveHeld = kernel::HoldsDescriptorReserve();
            if (auto* pBox = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
                pBox->button(QMessageBox::Ok)->click();
        });
        EXPECT_EQ(ui::GetUIServices()->MessageBox("The text.", "Quillstorm!", MB_OK), IDOK);
        EXPECT_TRUE(bRoom);
        EXPECT_EQ(bReserveHeld, !bShort);
        EXPECT_TRUE(kernel::HoldsDescriptorReserve());
    }
}

}  // namespace
