#include <gtest/gtest.h>
#include <cstring>

#include "platform/afx/afxstr.h"

namespace {

TEST(CStringOps, ConstructionAndComparison) {
    EXPECT_TRUE(CString().IsEmpty());
    EXPECT_TRUE(CString(static_cast<const char*>(nullptr)).IsEmpty());
    EXPECT_EQ(CString('x', 3), "xxx");
    EXPECT_EQ(CString("abcdef", 3), "abc");
    EXPECT_EQ(CString("a\0b", 3).GetLength(), 3);
    CString s("abc");
    EXPECT_TRUE(s == "abc");
    EXPECT_TRUE("abc" == s);
    EXPECT_TRUE(s != "abd");
    EXPECT_TRUE(s < CString("abd"));
    EXPECT_TRUE(CString("ab") < s);
    EXPECT_TRUE(CString("\xE9") > CString("z"));  // bytes compare unsigned
    EXPECT_EQ(s.Compare("abc"), 0);
    EXPECT_EQ(s.CompareNoCase("ABC"), 0);
    EXPECT_LT(s.CompareNoCase("ABD"), 0);
    EXPECT_EQ(s + "d" + 'e', "abcde");
    EXPECT_EQ('z' + s, "zabc");
    s += 'd';
    s += CString("e");
    EXPECT_EQ(s, "abcde");
    EXPECT_EQ(s.GetAt(4), 'e');
    EXPECT_EQ(s[0], 'a');
    EXPECT_STREQ(static_cast<const char*>(s), "abcde");
    s.Empty();
    EXPECT_EQ(s.GetLength(), 0);
}

TEST(CStringOps, ExtractionClampsLikeTheClassLibrary) {
    const CString s("hello");
    struct Case {
        CString got;
        const char* want;
    } cases[] = {
        {s.Mid(1), "ello"},      {s.Mid(1, 3), "ell"}, {s.Mid(-2, 2), "he"}, {s.Mid(3, 99), "lo"},
        {s.Mid(9), ""},          {s.Mid(2, -1), ""},   {s.Left(2), "he"},     {s.Left(99), "hello"},
        {s.Left(-1), ""},        {s.Right(3), "llo"},  {s.Right(99), "hello"}, {s.Right(0), ""},
        {s.SpanIncluding("hel"), "hell"}, {s.SpanExcluding("lo"), "he"},
    };
    for (const Case& c : cases) EXPECT_EQ(c.got, c.want);
}

TEST(CStringOps, Searching) {
    const CString s("abcabc");
    EXPECT_EQ(s.Find('b'), 1);
    EXPECT_EQ(s.Find('b', 2), 4);
    EXPECT_EQ(s.Find('b', 6), -1);
    EXPECT_EQ(s.Find('b', -1), -1);
    EXPECT_EQ(s.Find("ca"), 2);
    EXPECT_EQ(s.Find("bc", 3), 4);
    EXPECT_EQ(s.Find("x"), -1);
    EXPECT_EQ(s.ReverseFind('a'), 3);
    EXPECT_EQ(s.FindOneOf("xc"), 2);
    EXPECT_EQ(s.FindOneOf(""), -1);
}

TEST(CStringOps, ChangingInPlace) {
    CString s("  Mixed Case \xC9\t\n");
    s.TrimLeft();
    EXPECT_EQ(s, "Mixed Case \xC9\t\n");
    s.TrimRight();
    EXPECT_EQ(s, "Mixed Case \xC9");
    s.MakeUpper();
    EXPECT_EQ(s, "MIXED CASE \xC9");  // bytes from 128 up unchanged
    s.MakeLower();
    EXPECT_EQ(s, "mixed case \xC9");
    CString t("xxabcxx");
    t.TrimLeft('x');
    t.TrimRight("xc");
    EXPECT_EQ(t, "ab");
    CString r("a.b.c");
    EXPECT_EQ(r.Replace('.', '-'), 2);
    EXPECT_EQ(r, "a-b-c");
    EXPECT_EQ(r.Replace("-", "--"), 2);
    EXPECT_EQ(r, "a--b--c");
    EXPECT_EQ(r.Replace("", "x"), 0);
    EXPECT_EQ(r.Remove('-'), 4);
    EXPECT_EQ(r.Insert(1, 'X'), 4);
    EXPECT_EQ(r.Insert(99, "YZ"), 6);
    EXPECT_EQ(r, "aXbcYZ");
    EXPECT_EQ(r.Delete(1, 2), 4);
    EXPECT_EQ(r.Delete(3, 99), 3);
    EXPECT_EQ(r, "acY");
    r.MakeReverse();
    EXPECT_EQ(r, "Yca");
    r.SetAt(0, 'y');
    EXPECT_EQ(r, "yca");
}

TEST(CStringOps, FormatAndBuffer) {
    CString s;
    s.Format("%d-%s-%.2f", 42, "x", 1.5);
    EXPECT_EQ(s, "42-x-1.50");
    s.AppendFormat("(%d,%d)", 3, 4);
    EXPECT_EQ(s, "42-x-1.50(3,4)");
    CString big;
    big.Format("%0300d", 7);
    EXPECT_EQ(big.GetLength(), 300);

    CString b("abc");
    char* p = b.GetBuffer(10);
    std::strcpy(p, "hello");
    b.ReleaseBuffer();
    EXPECT_EQ(b, "hello");
    p = b.GetBuffer(0);
    p[1] = 'E';
    b.ReleaseBuffer(3);
    EXPECT_EQ(b, "hEl");
    p = b.GetBufferSetLength(2);
    EXPECT_EQ(b.GetLength(), 2);
    b.ReleaseBuffer();
    EXPECT_EQ(b, "hE");
}

}  // namespace
