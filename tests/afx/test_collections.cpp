// Lists with POSITION, arrays, and the stored forms of the containers.
#include "afxtest.h"

namespace {

std::vector<int> Values(const CList<int, int>& l) {
    std::vector<int> out;
    for (POSITION pos = l.GetHeadPosition(); pos;) out.push_back(l.GetNext(pos));
    return out;
}

TEST(CListOps, AddInsertRemoveFind) {
    CList<int, int> l;
    EXPECT_TRUE(l.IsEmpty());
    POSITION p2 = l.AddTail(2);
    l.AddHead(1);
    POSITION p4 = l.AddTail(4);
    l.InsertBefore(p4, 3);
    l.InsertAfter(p4, 5);
    l.InsertBefore(nullptr, 0);   // NULL: at the head
    l.InsertAfter(nullptr, 6);    // NULL: at the tail
    EXPECT_EQ(Values(l), (std::vector<int>{0, 1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(l.GetCount(), 7);
    EXPECT_EQ(l.GetHead(), 0);
    EXPECT_EQ(l.GetTail(), 6);
    EXPECT_EQ(l.GetAt(p2), 2);
    l.SetAt(p2, 20);
    EXPECT_EQ(l.Find(20), p2);
    EXPECT_EQ(l.Find(20, p2), nullptr);  // search starts after p2
    EXPECT_EQ(l.Find(99), nullptr);
    EXPECT_EQ(l.FindIndex(2), p2);
    EXPECT_EQ(l.FindIndex(7), nullptr);
    EXPECT_EQ(l.FindIndex(-1), nullptr);
    l.RemoveAt(p2);
    EXPECT_EQ(l.RemoveHead(), 0);
    EXPECT_EQ(l.RemoveTail(), 6);
    EXPECT_EQ(Values(l), (std::vector<int>{1, 3, 4, 5}));
    std::vector<int> back;
    for (POSITION pos = l.GetTailPosition(); pos;) back.push_back(l.GetPrev(pos));
    EXPECT_EQ(back, (std::vector<int>{5, 4, 3, 1}));
    l.RemoveAll();
    EXPECT_EQ(l.GetCount(), 0);
    EXPECT_EQ(l.GetHeadPosition(), nullptr);
    l.AddTail(8);  // usable after RemoveAll
    EXPECT_EQ(Values(l), (std::vector<int>{8}));
}

// Walks keep working while the list grows and while entries are removed.
TEST(CListOps, PositionsStayValidWhileTheListGrows) {
    CList<int, int> l(3);
    POSITION first = l.AddTail(-1);
    std::vector<POSITION> all;
    for (int i = 0; i < 1000; i++) all.push_back(l.AddTail(i));
    EXPECT_EQ(l.GetAt(first), -1);
    for (int i = 0; i < 1000; i++) ASSERT_EQ(l.GetAt(all[i]), i);
}

TEST(CListOps, WalkVisitsEntriesAppendedBeforeItReachesTheTail) {
    CList<int, int> l;
    l.AddTail(1);
    l.AddTail(100);
    std::vector<int> seen;
    for (POSITION pos = l.GetHeadPosition(); pos;) {
        int v = l.GetNext(pos);
        seen.push_back(v);
        if (v < 4) l.AddTail(v + 1);
    }
    // 2 is appended while 1 is visited and is seen; 3 is appended while 2, then the tail, is visited:
    // the walk already holds NULL.
    EXPECT_EQ(seen, (std::vector<int>{1, 100, 2}));
    EXPECT_EQ(l.GetTail(), 3);
}

TEST(CListOps, RemovingTheCurrentEntryDuringAWalk) {
    CList<int, int> l;
    for (int i = 0; i < 6; i++) l.AddTail(i);
    for (POSITION pos = l.GetHeadPosition(); pos;) {
        POSITION cur = pos;
        if (l.GetNext(pos) % 2) l.RemoveAt(cur);
    }
    EXPECT_EQ(Values(l), (std::vector<int>{0, 2, 4}));
}

// A walk that still holds the POSITION of a removed node reads NULL and ends, never a stale link.
TEST(CListOps, RemovedNodeEndsAWalkThatStillHoldsIt) {
    CTypedPtrList<CObList, CTNode*> l;
    CTNode a(1), b(2), c(3);
    l.AddTail(&a);
    POSITION pb = l.AddTail(&b);
    l.AddTail(&c);
    POSITION pos = pb;
    l.RemoveAt(pb);
    EXPECT_EQ(l.GetNext(pos), nullptr);
    EXPECT_EQ(pos, nullptr);
    EXPECT_EQ(l.GetCount(), 2);
}

TEST(CListOps, AppendsAnotherListAndNullEntries) {
    CObList a, b;
    CTNode x(1), y(2);
    a.AddTail(&x);
    b.AddTail(&y);
    b.AddTail(nullptr);
    a.AddTail(&b);
    a.AddHead(&b);
    EXPECT_EQ(a.GetCount(), 5);
    EXPECT_EQ(a.GetHead(), &y);
    EXPECT_EQ(a.GetTail(), nullptr);
}

TEST(CListDeath, EmptyListAccessIsFatal) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    CObList l;
    EXPECT_DEATH(l.GetHead(), "GetHead on an empty list");
    EXPECT_DEATH(l.RemoveTail(), "RemoveTail on an empty list");
    CArray<int, int> a;
    a.SetSize(2);
    EXPECT_DEATH(a.GetAt(2), "array index out of range");
    EXPECT_DEATH(a[-1], "array index out of range");
}

TEST(CArrayOps, SizeInsertRemove) {
    CArray<int, int> a;
    a.SetSize(3);
    EXPECT_EQ(a.GetSize(), 3);
    EXPECT_EQ(a[0] + a[1] + a[2], 0);  // new elements are zero
    EXPECT_EQ(a.Add(7), 3);
    a.InsertAt(1, 5, 2);
    EXPECT_EQ(std::vector<int>(a.GetData(), a.GetData() + a.GetSize()), (std::vector<int>{0, 5, 5, 0, 0, 7}));
    a.RemoveAt(1, 2);
    a.SetAt(0, 1);
    a.ElementAt(1) = 2;
    a[2] = 3;
    EXPECT_EQ(std::vector<int>(a.GetData(), a.GetData() + a.GetSize()), (std::vector<int>{1, 2, 3, 7}));
    a.SetAtGrow(6, 9);
    EXPECT_EQ(a.GetSize(), 7);
    EXPECT_EQ(a[5], 0);
    EXPECT_EQ(a.GetUpperBound(), 6);
    a.InsertAt(9, 4);  // past the end: grows first
    EXPECT_EQ(a.GetSize(), 10);
    EXPECT_EQ(a[9], 4);
    a.Add(a[9]);  // an argument that lives in the array
    EXPECT_EQ(a[10], 4);
    a.RemoveAll();
    EXPECT_TRUE(a.IsEmpty());
}

TEST(CArrayOps, TypedPointerArray) {
    CTypedPtrArray<CObArray, CTNode*> a;
    CTNode x(1);
    a.SetSize(2);
    a[1] = &x;
    EXPECT_EQ(a[0], nullptr);
    EXPECT_EQ(a[1]->m_n, 1);
    EXPECT_EQ(a.GetAt(1), &x);
    CTNode* p = a[1];
    EXPECT_EQ(p, &x);
    if (a[0]) ADD_FAILURE();
    a.Add(&x);
    EXPECT_EQ(a.GetSize(), 3);
}

// ---------------------------------------------------------------------------------------------------
// Stored forms.

TEST(ContainerStoredForm, ObjectList) {
    CTypedPtrList<CObList, CTNode*> l;
    CTNode a(1), b(2);
    l.AddTail(&a);
    l.AddTail(nullptr);
    l.AddTail(&b);
    l.AddTail(&a);
    Bytes got = Store([&](CArchive& ar) { l.Serialize(ar); });
    Bytes want = Cat({B({4, 0}), NewClass("CTNode"), Le32(1), B({0, 0}), B({0, 0}), B({0x01, 0x80}), Le32(2),
                      B({0, 0}), B({0x02, 0x00})});
    EXPECT_EQ(got, want);
    EXPECT_EQ(LoadCause(got, [](CArchive& ar) {
                  CTypedPtrList<CObList, CTNode*> r;
                  CTNode keep(9);
                  r.AddTail(&keep);  // loading appends
                  r.Serialize(ar);
                  ASSERT_EQ(r.GetCount(), 5);
                  POSITION pos = r.GetHeadPosition();
                  EXPECT_EQ(r.GetNext(pos), &keep);
                  CTNode* pa = r.GetNext(pos);
                  EXPECT_EQ(r.GetNext(pos), nullptr);
                  EXPECT_EQ(r.GetNext(pos)->m_n, 2);
                  EXPECT_EQ(r.GetNext(pos), pa);
              }),
              -1);
}

TEST(ContainerStoredForm, ObjectListRequiresItsClass) {
    Bytes otherInList = Cat({B({1, 0}), NewClass("CTOther"), Le16(3)});
    // The typed list knows its class; the plain list takes a required class or reads any.
    EXPECT_EQ(LoadCause(otherInList, [](CArchive& ar) { CTypedPtrList<CObList, CTNode*> l; l.Serialize(ar); }),
              CArchiveException::badClass);
    EXPECT_EQ(LoadCause(otherInList, [](CArchive& ar) { CObList l; l.Serialize(ar, RUNTIME_CLASS(CTNode)); }),
              CArchiveException::badClass);
    EXPECT_EQ(LoadCause(otherInList, [](CArchive& ar) { CObList l; l.Serialize(ar); EXPECT_EQ(l.GetCount(), 1); }),
              -1);
    // A wider class for a typed list: CObject accepts anything.
    EXPECT_EQ(LoadCause(otherInList, [](CArchive& ar) {
                  CTypedPtrList<CObList, CTNode*> l;
                  l.Serialize(ar, RUNTIME_CLASS(CObject));
              }),
              -1);
    // A subclass is fine.
    EXPECT_EQ(LoadCause(Cat({B({1, 0}), NewClass("CTSub"), Le32(0), B({0, 0}), Le16(0)}),
                        [](CArchive& ar) { CTypedPtrList<CObList, CTNode*> l; l.Serialize(ar); }),
              -1);
}

TEST(ContainerStoredForm, ObjectArray) {
    CTypedPtrArray<CObArray, CTNode*> a;
    CTNode x(5);
    a.SetSize(3);
    a[1] = &x;
    Bytes got = Store([&](CArchive& ar) { a.Serialize(ar); });
    EXPECT_EQ(got, Cat({B({3, 0}), B({0, 0}), NewClass("CTNode"), Le32(5), B({0, 0}), B({0, 0})}));
    EXPECT_EQ(LoadCause(got, [](CArchive& ar) {
                  CTypedPtrArray<CObArray, CTNode*> r;
                  r.SetSize(11);  // the array takes the stored count
                  r.Serialize(ar);
                  ASSERT_EQ(r.GetSize(), 3);
                  EXPECT_EQ(r[0], nullptr);
                  EXPECT_EQ(r[1]->m_n, 5);
                  EXPECT_EQ(r[2], nullptr);
              }),
              -1);
    EXPECT_EQ(LoadCause(Cat({B({1, 0}), NewClass("CTOther"), Le16(0)}),
                        [](CArchive& ar) { CTypedPtrArray<CObArray, CTNode*> r; r.Serialize(ar); }),
              CArchiveException::badClass);
    // A hostile count with nothing behind it ends the load, allocating only what was read.
    EXPECT_EQ(LoadCause(B({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0}), [](CArchive& ar) { CObArray r; r.Serialize(ar); }),
              CArchiveException::endOfFile);
}

struct Reg {
    LONG id;
    LONG type;
};

TEST(ContainerStoredForm, RecordArray) {
    CArray<Reg, const Reg&> a;
    a.Add(Reg{1, 2});
    a.Add(Reg{-1, 0x01020304});
    Bytes got = Store([&](CArchive& ar) { a.Serialize(ar); });
    EXPECT_EQ(got, Cat({B({2, 0}), Le32(1), Le32(2), Le32(0xFFFFFFFF), Le32(0x01020304)}));
    EXPECT_EQ(LoadCause(got, [](CArchive& ar) {
                  CArray<Reg, const Reg&> r;
                  r.Add(Reg{9, 9});
                  r.Add(Reg{9, 9});
                  r.Add(Reg{9, 9});
                  r.Serialize(ar);
                  ASSERT_EQ(r.GetSize(), 2);
                  EXPECT_EQ(r[1].id, -1);
                  EXPECT_EQ(r[1].type, 0x01020304);
              }),
              -1);
}

// The pinned choice: a record array cut short is an end-of-file error at once (nothing is zero-filled
// and read on), and a count larger than the stream allocates nothing.
TEST(ContainerStoredForm, RecordArrayCutShortIsEndOfFile) {
    Bytes cut = Cat({B({2, 0}), Le32(1), Le32(2), Le32(3)});
    EXPECT_EQ(LoadCause(cut, [](CArchive& ar) {
                  CArray<Reg, const Reg&> r;
                  r.Add(Reg{7, 7});
                  try {
                      r.Serialize(ar);
                  } catch (...) {
                      EXPECT_EQ(r.GetSize(), 1);  // untouched
                      EXPECT_EQ(ar.GetBytesLeft(), 12u);
                      throw;
                  }
              }),
              CArchiveException::endOfFile);
    EXPECT_EQ(LoadCause(B({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}), [](CArchive& ar) { CDWordArray r; r.Serialize(ar); }),
              CArchiveException::endOfFile);
}

TEST(ContainerStoredForm, StringArrayAndStringList) {
    CStringArray a;
    a.Add(CString("ab"));
    a.Add(CString());
    a.Add(CString('z', 300));
    Bytes got = Store([&](CArchive& ar) { a.Serialize(ar); });
    EXPECT_EQ(got, Cat({B({3, 0}), B({2, 'a', 'b'}), B({0}), B({0xFF, 0x2C, 0x01}), Bytes(300, 'z')}));
    EXPECT_EQ(LoadCause(got, [&](CArchive& ar) {
                  CStringArray r;
                  r.Serialize(ar);
                  ASSERT_EQ(r.GetSize(), 3);
                  for (int i = 0; i < 3; i++) EXPECT_EQ(r[i], a[i]);
              }),
              -1);
    CStringList l;
    l.AddTail(CString("x"));
    l.AddTail(CString("yz"));
    Bytes gotList = Store([&](CArchive& ar) { l.Serialize(ar); });
    EXPECT_EQ(gotList, B({2, 0, 1, 'x', 2, 'y', 'z'}));
    EXPECT_EQ(LoadCause(gotList, [](CArchive& ar) {
                  CStringList r;
                  r.Serialize(ar);
                  ASSERT_EQ(r.GetCount(), 2);
                  EXPECT_EQ(r.GetTail(), CString("yz"));
              }),
              -1);
    // More strings counted than bytes left.
    EXPECT_EQ(LoadCause(B({0xFF, 0xFF, 0, 0, 0, 0x10, 0}), [](CArchive& ar) { CStringArray r; r.Serialize(ar); }),
              CArchiveException::endOfFile);
}

}  // namespace
