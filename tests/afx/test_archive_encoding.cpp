// The stored form byte for byte: scalars, counts, strings, object tags and numbering.
#include <cmath>
#include <functional>
#include <unistd.h>
#include <cstdlib>

#include "afxtest.h"

namespace {

TEST(ArchiveScalars, WriteAndReadBack) {
    struct Case {
        const char* what;
        std::function<void(CArchive&)> write;
        Bytes bytes;
        std::function<void(CArchive&)> readAndCheck;
    } cases[] = {
        {"BYTE", [](CArchive& ar) { ar << BYTE(0x9A); }, B({0x9A}),
         [](CArchive& ar) { BYTE v; ar >> v; EXPECT_EQ(v, 0x9A); }},
        {"char", [](CArchive& ar) { ar << char(-1); }, B({0xFF}),
         [](CArchive& ar) { char v; ar >> v; EXPECT_EQ(v, char(-1)); }},
        {"WORD", [](CArchive& ar) { ar << WORD(0x1234); }, B({0x34, 0x12}),
         [](CArchive& ar) { WORD v; ar >> v; EXPECT_EQ(v, 0x1234); }},
        {"short", [](CArchive& ar) { ar << short(-2); }, B({0xFE, 0xFF}),
         [](CArchive& ar) { short v; ar >> v; EXPECT_EQ(v, -2); }},
        {"int", [](CArchive& ar) { ar << int(-2); }, B({0xFE, 0xFF, 0xFF, 0xFF}),
         [](CArchive& ar) { int v; ar >> v; EXPECT_EQ(v, -2); }},
        {"DWORD", [](CArchive& ar) { ar << DWORD(0x01020304); }, B({4, 3, 2, 1}),
         [](CArchive& ar) { DWORD v; ar >> v; EXPECT_EQ(v, 0x01020304u); }},
        {"COLORREF", [](CArchive& ar) { ar << RGB(1, 2, 3); }, B({1, 2, 3, 0}),
         [](CArchive& ar) { COLORREF v; ar >> v; EXPECT_EQ(v, RGB(1, 2, 3)); }},
        {"bool", [](CArchive& ar) { ar << true << false; }, B({1, 0, 0, 0, 0, 0, 0, 0}),
         [](CArchive& ar) { bool a, b; ar >> a >> b; EXPECT_TRUE(a); EXPECT_FALSE(b); }},
        {"float", [](CArchive& ar) { ar << 1.0f; }, B({0, 0, 0x80, 0x3F}),
         [](CArchive& ar) { float v; ar >> v; EXPECT_EQ(v, 1.0f); }},
        {"double", [](CArchive& ar) { ar << -2.5; }, B({0, 0, 0, 0, 0, 0, 0x04, 0xC0}),
         [](CArchive& ar) { double v; ar >> v; EXPECT_EQ(v, -2.5); }},
        {"POINT", [](CArchive& ar) { ar << CPoint(1, -1); }, B({1, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF}),
         [](CArchive& ar) { CPoint v; ar >> v; EXPECT_EQ(v, CPoint(1, -1)); }},
        {"SIZE", [](CArchive& ar) { ar << CSize(2, 3); }, B({2, 0, 0, 0, 3, 0, 0, 0}),
         [](CArchive& ar) { CSize v; ar >> v; EXPECT_EQ(v, CSize(2, 3)); }},
        {"RECT", [](CArchive& ar) { ar << CRect(1, 2, 3, 4); },
         B({1, 0, 0, 0, 2, 0, 0, 0, 3, 0, 0, 0, 4, 0, 0, 0}),
         [](CArchive& ar) { CRect v; ar >> v; EXPECT_EQ(v, CRect(1, 2, 3, 4)); }},
        // A BYTE flag is a 4-byte int 0 or 1; any non-zero int reads back as 1.
        {"flag", [](CArchive& ar) { ar.WriteFlag(2); ar.WriteFlag(0); }, B({1, 0, 0, 0, 0, 0, 0, 0}),
         [](CArchive& ar) { EXPECT_EQ(ar.ReadFlag(), 1); EXPECT_EQ(ar.ReadFlag(), 0); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Bytes got = Store(c.write);
        EXPECT_EQ(got, c.bytes);
        EXPECT_EQ(LoadCause(got, c.readAndCheck), -1);
        // One byte short is an end-of-file error.
        Bytes cut(got.begin(), got.end() - 1);
        EXPECT_EQ(LoadCause(cut, c.readAndCheck), CArchiveException::endOfFile);
    }
}

TEST(ArchiveScalars, FlagReadsAnyNonZeroIntAsOne) {
    EXPECT_EQ(LoadCause(B({0, 0, 0, 0x80}), [](CArchive& ar) { EXPECT_EQ(ar.ReadFlag(), 1); }), -1);
}

TEST(ArchiveCount, PrefixAtTheBoundaries) {
    struct Case {
        DWORD n;
        Bytes bytes;
    } cases[] = {
        {0, B({0, 0})},
        {65534, B({0xFE, 0xFF})},
        {65535, B({0xFF, 0xFF, 0xFF, 0xFF, 0, 0})},
        {65536, B({0xFF, 0xFF, 0, 0, 1, 0})},
        {0xFFFFFFFF, B({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.n);
        EXPECT_EQ(Store([&](CArchive& ar) { ar.WriteCount(c.n); }), c.bytes);
        EXPECT_EQ(LoadCause(c.bytes, [&](CArchive& ar) { EXPECT_EQ(ar.ReadCount(), c.n); }), -1);
    }
    // The long form is accepted for a small count too.
    EXPECT_EQ(LoadCause(B({0xFF, 0xFF, 5, 0, 0, 0}), [](CArchive& ar) { EXPECT_EQ(ar.ReadCount(), 5u); }), -1);
}

TEST(ArchiveString, PrefixAtTheBoundaries) {
    struct Case {
        int len;
        Bytes prefix;
    } cases[] = {
        {0, B({0x00})},
        {1, B({0x01})},
        {254, B({0xFE})},
        {255, B({0xFF, 0xFF, 0x00})},
        {65533, B({0xFF, 0xFD, 0xFF})},
        {65534, B({0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0x00, 0x00})},
        {65535, B({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00})},
        {70000, B({0xFF, 0xFF, 0xFF, 0x70, 0x11, 0x01, 0x00})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.len);
        CString s;
        for (int i = 0; i < c.len; i++) s += static_cast<char>('a' + i % 26);
        Bytes got = Store([&](CArchive& ar) { ar << s; });
        Bytes want = Cat({c.prefix, Str(s.str())});
        EXPECT_EQ(got, want);
        EXPECT_EQ(LoadCause(got, [&](CArchive& ar) { CString r("old"); ar >> r; EXPECT_EQ(r, s); }), -1);
        // Cut inside the characters (or the prefix): end of file.
        Bytes cut(got.begin(), got.end() - 1);
        EXPECT_EQ(LoadCause(cut, [](CArchive& ar) { CString r; ar >> r; }), CArchiveException::endOfFile);
    }
}

TEST(ArchiveString, BytesAreKeptExactly) {
    const char raw[] = {'a', '\0', static_cast<char>(0xE9), static_cast<char>(0x80)};
    CString s(raw, 4);
    Bytes got = Store([&](CArchive& ar) { ar << s; });
    EXPECT_EQ(got, B({4, 'a', 0, 0xE9, 0x80}));
    EXPECT_EQ(LoadCause(got, [&](CArchive& ar) { CString r; ar >> r; EXPECT_EQ(r, s); EXPECT_EQ(r.GetLength(), 4); }), -1);
    EXPECT_EQ(Store([](CArchive& ar) { ar << "hi"; }), B({2, 'h', 'i'}));
}

TEST(ArchiveString, WideFormIsConvertedToWindows1252) {
    struct Case {
        const char* what;
        Bytes bytes;
        std::string want;
    } cases[] = {
        {"AB", B({0xFF, 0xFE, 0xFF, 0x02, 0x41, 0x00, 0x42, 0x00}), "AB"},
        {"empty", B({0xFF, 0xFE, 0xFF, 0x00}), ""},
        {"latin-1 range", B({0xFF, 0xFE, 0xFF, 0x02, 0xE9, 0x00, 0xFF, 0x00}), "\xE9\xFF"},
        {"euro and quotes", B({0xFF, 0xFE, 0xFF, 0x03, 0xAC, 0x20, 0x1C, 0x20, 0x22, 0x21}), "\x80\x93\x99"},
        {"not in the code page", B({0xFF, 0xFE, 0xFF, 0x02, 0x00, 0x01, 0x30, 0x04}), "??"},
        {"C1 control the code page lacks", B({0xFF, 0xFE, 0xFF, 0x01, 0x80, 0x00}), "?"},
        {"undefined byte kept", B({0xFF, 0xFE, 0xFF, 0x01, 0x81, 0x00}), "\x81"},
        {"surrogate pair is one character", B({0xFF, 0xFE, 0xFF, 0x03, 0x3D, 0xD8, 0x00, 0xDE, 0x41, 0x00}), "?A"},
        {"lone surrogate", B({0xFF, 0xFE, 0xFF, 0x01, 0x00, 0xDC}), "?"},
        {"word length", Cat({B({0xFF, 0xFE, 0xFF, 0xFF, 0x01, 0x00}), B({0x5A, 0x00})}), "Z"},
        {"dword length", Cat({B({0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0x01, 0, 0, 0}), B({0x5A, 0x00})}), "Z"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(LoadCause(c.bytes, [&](CArchive& ar) { CString r; ar >> r; EXPECT_EQ(r.str(), c.want); }), -1);
    }
    // A wide string cut short, and one whose length cannot fit what is left.
    EXPECT_EQ(LoadCause(B({0xFF, 0xFE, 0xFF, 0x02, 0x41, 0x00, 0x42}), [](CArchive& ar) { CString r; ar >> r; }),
              CArchiveException::endOfFile);
    EXPECT_EQ(LoadCause(B({0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F, 0x41, 0x00}),
                        [](CArchive& ar) { CString r; ar >> r; }),
              CArchiveException::endOfFile);
}

// The first object of a new class, a second one of the class, a back-reference.
TEST(ArchiveObjects, FirstObjectSecondObjectAndBackReference) {
    CTNode a(5), b(6);
    Bytes got = Store([&](CArchive& ar) {
        ar << &a;
        EXPECT_EQ(ar.GetNextNumber(), 3u);  // class 1, object 2
        ar << &b;
        EXPECT_EQ(ar.GetNextNumber(), 4u);  // object 3
        ar << &a;
        ar << static_cast<CTNode*>(nullptr);
    });
    Bytes want = Cat({NewClass("CTNode"), Le32(5), B({0, 0}),  // a: fields, next NULL
                      B({0x01, 0x80}), Le32(6), B({0, 0}),     // b: class 1 by tag
                      B({0x02, 0x00}),                         // a again
                      B({0x00, 0x00})});
    EXPECT_EQ(got, want);

    EXPECT_EQ(LoadCause(got, [](CArchive& ar) {
                  CTNode *pa, *pb, *pa2, *pNull;
                  ar >> pa >> pb >> pa2 >> pNull;
                  EXPECT_EQ(pa->m_n, 5);
                  EXPECT_EQ(pb->m_n, 6);
                  EXPECT_EQ(pa2, pa);
                  EXPECT_EQ(pNull, nullptr);
                  EXPECT_EQ(ar.GetLoadedObjects(), (std::vector<CObject*>{pa, pb}));
              }),
              -1);
}

// An object whose fields lead back to it: the inner reference is the number the outer object took
// before its fields were written.
TEST(ArchiveObjects, CyclesReferToTheNumberTakenBeforeTheFields) {
    CTNode a(1), b(2);
    a.m_pNext = &b;
    b.m_pNext = &a;
    CTNode self(3);
    self.m_pNext = &self;
    Bytes got = Store([&](CArchive& ar) { ar << &a << &self; });
    Bytes want = Cat({NewClass("CTNode"), Le32(1), B({0x01, 0x80}), Le32(2), B({0x02, 0x00}),
                      B({0x01, 0x80}), Le32(3), B({0x04, 0x00})});
    EXPECT_EQ(got, want);
    EXPECT_EQ(LoadCause(got, [](CArchive& ar) {
                  CTNode *pa, *pSelf;
                  ar >> pa >> pSelf;
                  ASSERT_NE(pa->m_pNext, nullptr);
                  EXPECT_EQ(pa->m_pNext->m_n, 2);
                  EXPECT_EQ(pa->m_pNext->m_pNext, pa);
                  EXPECT_EQ(pSelf->m_pNext, pSelf);
              }),
              -1);
}

TEST(ArchiveObjects, SubclassPartsAndClassesShareOneNumbering) {
    CTSub s;
    s.m_n = 7;
    s.m_w = 0xABCD;
    CTOther o;
    o.m_w = 9;
    CTNode n(8);
    Bytes got = Store([&](CArchive& ar) { ar << &s << &o << &n << &o; });
    // CTSub is class 1 (object 2), CTOther class 3 (object 4), CTNode class 5 (object 6).
    Bytes want = Cat({NewClass("CTSub"), Le32(7), B({0, 0}), Le16(0xABCD), NewClass("CTOther"), Le16(9),
                      NewClass("CTNode"), Le32(8), B({0, 0}), B({0x04, 0x00})});
    EXPECT_EQ(got, want);
    EXPECT_EQ(LoadCause(got, [](CArchive& ar) {
                  CTNode* ps;
                  ar >> ps;
                  ASSERT_TRUE(ps->IsKindOf(RUNTIME_CLASS(CTSub)));
                  EXPECT_EQ(static_cast<CTSub*>(ps)->m_w, 0xABCD);
                  CObject* po = ar.ReadObject(nullptr);
                  EXPECT_TRUE(po->IsKindOf(RUNTIME_CLASS(CTOther)));
                  CTNode* pn;
                  ar >> pn;
                  EXPECT_EQ(pn->GetRuntimeClass(), RUNTIME_CLASS(CTNode));
                  EXPECT_EQ(ar.ReadObject(RUNTIME_CLASS(CTOther)), po);
              }),
              -1);
}

// Numbers from 0x7FFF up use the tag 0x7FFF and a DWORD, for objects and for classes.
TEST(ArchiveObjects, BigNumberFormsThroughEncoderAndDecoder) {
    struct Case {
        DWORD first;         // the number the class takes; the first object takes first + 1
        Bytes secondObject;  // the tag of a second object of the class
        Bytes backRef;       // a reference to the first object
    } cases[] = {
        {0x7FFD, B({0xFD, 0xFF}), B({0xFE, 0x7F})},
        {0x7FFE, B({0xFE, 0xFF}), Cat({B({0xFF, 0x7F}), Le32(0x7FFF)})},
        {0x7FFF, Cat({B({0xFF, 0x7F}), Le32(0x80007FFF)}), Cat({B({0xFF, 0x7F}), Le32(0x8000)})},
        {0x12345, Cat({B({0xFF, 0x7F}), Le32(0x80012345)}), Cat({B({0xFF, 0x7F}), Le32(0x12346)})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.first);
        CTNode a(1), b(2);
        Bytes got = Store([&](CArchive& ar) { ar << &a << &b << &a; }, c.first);
        Bytes want = Cat({NewClass("CTNode"), Le32(1), B({0, 0}), c.secondObject, Le32(2), B({0, 0}), c.backRef});
        EXPECT_EQ(got, want);
        EXPECT_EQ(LoadCause(got, [](CArchive& ar) {
                      CTNode *pa, *pb, *pa2;
                      ar >> pa >> pb >> pa2;
                      EXPECT_EQ(pa->m_n, 1);
                      EXPECT_EQ(pb->m_n, 2);
                      EXPECT_EQ(pa2, pa);
                  }, c.first),
                  -1);
    }
}

TEST(ArchiveObjects, LongTagFormIsAcceptedForSmallNumbers) {
    Bytes bytes = Cat({NewClass("CTNode"), Le32(1), B({0, 0}),
                       B({0xFF, 0x7F}), Le32(0x80000001), Le32(2), B({0, 0}),  // class 1, long form
                       B({0xFF, 0x7F}), Le32(2)});                             // object 2, long form
    EXPECT_EQ(LoadCause(bytes, [](CArchive& ar) {
                  CTNode *pa, *pb, *pa2;
                  ar >> pa >> pb >> pa2;
                  EXPECT_EQ(pb->m_n, 2);
                  EXPECT_EQ(pa2, pa);
              }),
              -1);
}

// 0xFFFF brings a class record; 0x7FFF with 0x80007FFF names class number 0x7FFF and brings none.
TEST(ArchiveObjects, LongClassTagIsNotANewClass) {
    Bytes bytes = Cat({B({0xFF, 0x7F}), Le32(0x80007FFF)});
    EXPECT_EQ(ReadObjectCause(bytes), CArchiveException::badIndex);
}

TEST(ArchiveObjects, StoringTheSameObjectInTwoArchivesNumbersEachAfresh) {
    CTNode a(1);
    Bytes one = Store([&](CArchive& ar) { ar << &a; });
    Bytes two = Store([&](CArchive& ar) { ar << &a; });
    EXPECT_EQ(one, two);
}

TEST(ArchiveObjects, ArchiveOverAFileWithASmallBuffer) {
    char path[] = "/tmp/afxarchiveXXXXXX";
    int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    close(fd);
    std::vector<CTNode> nodes(300);
    for (int i = 0; i < 300; i++) {
        nodes[i].m_n = i;
        nodes[i].m_pNext = &nodes[(i * 7) % 300];
    }
    CString big('q', 1000);
    {
        CFile f(path, CFile::modeCreate | CFile::modeWrite);
        CArchive ar(&f, CArchive::store, 128);
        for (CTNode& n : nodes) ar << &n;
        ar << big;
        ar.Close();
        f.Close();
    }
    {
        CFile f(path, CFile::modeRead);
        CArchive ar(&f, CArchive::load, 128);
        EXPECT_EQ(ar.m_strFileName, CString(path));
        std::vector<CTNode*> got(300);
        for (CTNode*& p : got) ar >> p;
        for (int i = 0; i < 300; i++) {
            EXPECT_EQ(got[i]->m_n, i);
            EXPECT_EQ(got[i]->m_pNext, got[(i * 7) % 300]);
        }
        CString s;
        ar >> s;
        EXPECT_EQ(s, big);
        EXPECT_EQ(ar.GetBytesLeft(), 0u);
        try {
            BYTE b;
            ar >> b;
            ADD_FAILURE() << "read past the end";
        } catch (const CArchiveException& e) {
            EXPECT_EQ(e.m_cause, CArchiveException::endOfFile);
            EXPECT_EQ(e.GetErrorMessage(), CString("An attempt was made to access ") + path + " past its end.");
        }
        FreeLoaded(ar);
    }
    CFile::Remove(path);
}

// Closing a loading archive gives its read-ahead back, so the file stands where the archive stopped.
TEST(ArchiveObjects, CloseOfALoadingArchiveLeavesTheFileAtItsPosition) {
    Bytes bytes = Store([](CArchive& ar) { ar << DWORD(1) << DWORD(2) << DWORD(3); });
    CMemFile mem(bytes.data(), bytes.size());
    CArchive ar(&mem, CArchive::load);
    DWORD v;
    ar >> v;
    ar.Close();
    EXPECT_EQ(mem.GetPosition(), 4u);
}

}  // namespace
