// Every archive error cause with its message, and the hostile-input rules of loading.
#include <pthread.h>

#include <functional>

#include "afxtest.h"

namespace {

TEST(ArchiveException, MessagesOfEveryCause) {
    struct Case {
        int cause;
        const char* message;
    } cases[] = {
        {CArchiveException::none, "No error occurred."},
        {CArchiveException::genericException, "An unknown error occurred while accessing doc.qsd."},
        {CArchiveException::readOnly, "An attempt was made to write to the reading doc.qsd."},
        {CArchiveException::endOfFile, "An attempt was made to access doc.qsd past its end."},
        {CArchiveException::writeOnly, "An attempt was made to read from the writing doc.qsd."},
        {CArchiveException::badIndex, "doc.qsd has a bad format."},
        {CArchiveException::badClass, "doc.qsd contained an unexpected object."},
        {CArchiveException::badSchema, "doc.qsd contains an incorrect schema."},
    };
    for (const Case& c : cases) {
        CArchiveException e(c.cause, "doc.qsd");
        EXPECT_EQ(e.GetErrorMessage(), CString(c.message));
        EXPECT_STREQ(e.what(), c.message);
        char buf[255];
        UINT help = 99;
        EXPECT_TRUE(e.GetErrorMessage(buf, sizeof buf, &help));
        EXPECT_STREQ(buf, c.message);
        EXPECT_EQ(help, 0u);
    }
    EXPECT_EQ(CArchiveException(CArchiveException::badIndex).GetErrorMessage(),
              CString("an unnamed file has a bad format."));
    // The caller's buffer bounds the copy.
    char small[8];
    CArchiveException(CArchiveException::badClass, "doc.qsd").GetErrorMessage(small, sizeof small);
    EXPECT_STREQ(small, "doc.qsd");
    EXPECT_TRUE(CArchiveException().IsKindOf(RUNTIME_CLASS(CException)));
}

TEST(ArchiveErrors, ReadOnlyWriteOnlyAndClosed) {
    // Writing to a loading archive, reading from a storing one.
    EXPECT_EQ(LoadCause(B({0}), [](CArchive& ar) { ar << BYTE(1); }), CArchiveException::readOnly);
    EXPECT_EQ(LoadCause(B({0}), [](CArchive& ar) { ar.WriteObject(nullptr); }), CArchiveException::readOnly);
    CMemFile mem;
    CArchive ar(&mem, CArchive::store);
    try {
        BYTE b;
        ar >> b;
        ADD_FAILURE();
    } catch (const CArchiveException& e) {
        EXPECT_EQ(e.m_cause, CArchiveException::writeOnly);
    }
    try {
        ar.ReadObject(nullptr);
        ADD_FAILURE();
    } catch (const CArchiveException& e) {
        EXPECT_EQ(e.m_cause, CArchiveException::writeOnly);
    }
    ar.Close();
    try {
        ar << BYTE(1);
        ADD_FAILURE();
    } catch (const CArchiveException& e) {
        EXPECT_EQ(e.m_cause, CArchiveException::genericException);
    }
}

// A stream that ends inside a value, a count, a tag, a class record's numbers or an object's fields.
TEST(ArchiveErrors, EndOfFile) {
    struct Case {
        const char* what;
        Bytes bytes;
        std::function<void(CArchive&)> read;
    } cases[] = {
        {"DWORD", B({1, 2, 3}), [](CArchive& ar) { DWORD v; ar >> v; }},
        {"double", B({1, 2, 3, 4, 5, 6, 7}), [](CArchive& ar) { double v; ar >> v; }},
        {"count word", B({1}), [](CArchive& ar) { ar.ReadCount(); }},
        {"count dword", B({0xFF, 0xFF, 1, 0}), [](CArchive& ar) { ar.ReadCount(); }},
        {"string prefix", B({0xFF, 0x00}), [](CArchive& ar) { CString s; ar >> s; }},
        {"string characters", B({3, 'a', 'b'}), [](CArchive& ar) { CString s; ar >> s; }},
        {"huge string", B({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 'a'}), [](CArchive& ar) { CString s; ar >> s; }},
        {"empty stream tag", B({}), [](CArchive& ar) { ar.ReadObject(nullptr); }},
        {"half a tag", B({0x01}), [](CArchive& ar) { ar.ReadObject(nullptr); }},
        {"long tag", B({0xFF, 0x7F, 1, 0}), [](CArchive& ar) { ar.ReadObject(nullptr); }},
        {"class record schema", B({0xFF, 0xFF, 0}), [](CArchive& ar) { ar.ReadObject(nullptr); }},
        {"class record length", B({0xFF, 0xFF, 0, 0, 6}), [](CArchive& ar) { ar.ReadObject(nullptr); }},
        {"object fields", Cat({NewClass("CTNode"), B({5, 0, 0})}), [](CArchive& ar) { ar.ReadObject(nullptr); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(LoadCause(c.bytes, c.read), CArchiveException::endOfFile);
    }
}

// Four numbers given: class CTNode 1, objects 2, 3, 4.
Bytes FourNumbers() {
    return Cat({NewClass("CTNode"), Le32(0), B({0, 0}), B({0x01, 0x80}), Le32(0), B({0, 0}), B({0x01, 0x80}),
                Le32(0), B({0, 0})});
}

int ReadFourThen(const Bytes& tail, const CRuntimeClass* pRequired = nullptr) {
    return LoadCause(Cat({FourNumbers(), tail}), [&](CArchive& ar) {
        for (int i = 0; i < 3; i++) ar.ReadObject(nullptr);
        ar.ReadObject(pRequired);
    });
}

TEST(ArchiveErrors, BadIndex) {
    struct Case {
        const char* what;
        Bytes tail;
        int cause;
    } cases[] = {
        {"the highest object is fine", B({0x04, 0x00}), -1},
        {"object number 5 of 4", B({0x05, 0x00}), CArchiveException::badIndex},
        {"long object number beyond", Cat({B({0xFF, 0x7F}), Le32(0x7FFFFFFF)}), CArchiveException::badIndex},
        {"a back-reference naming a class", B({0x01, 0x00}), CArchiveException::badIndex},
        {"a class tag naming an object", Cat({B({0x02, 0x80}), Le32(0), B({0, 0})}), CArchiveException::badIndex},
        {"class number 0", B({0x00, 0x80}), CArchiveException::badIndex},
        {"class number 5 of 4", B({0x05, 0x80}), CArchiveException::badIndex},
        {"long class number beyond", Cat({B({0xFF, 0x7F}), Le32(0x80000005)}), CArchiveException::badIndex},
        {"long class number 0", Cat({B({0xFF, 0x7F}), Le32(0x80000000)}), CArchiveException::badIndex},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(ReadFourThen(c.tail), c.cause);
    }
    // Nothing numbered yet.
    EXPECT_EQ(ReadObjectCause(B({0x01, 0x00})), CArchiveException::badIndex);
    EXPECT_EQ(ReadObjectCause(B({0x01, 0x80})), CArchiveException::badIndex);
}

// The largest number the numbering may give is 0x3FFFFFFD.
TEST(ArchiveErrors, NumberingMayNotReach0x3FFFFFFE) {
    CTNode a(1), b(2);
    const Bytes oneObject = Cat({NewClass("CTNode"), Le32(1), B({0, 0})});
    // The class takes 0x3FFFFFFC, the object 0x3FFFFFFD: fine.
    EXPECT_EQ(LoadCause(oneObject, [](CArchive& ar) { ar.ReadObject(nullptr); }, 0x3FFFFFFC), -1);
    EXPECT_NO_THROW(Store([&](CArchive& ar) { ar << &a; }, 0x3FFFFFFC));
    // The class takes 0x3FFFFFFD; the object would take 0x3FFFFFFE.
    EXPECT_EQ(LoadCause(oneObject, [](CArchive& ar) { ar.ReadObject(nullptr); }, 0x3FFFFFFD),
              CArchiveException::badIndex);
    // The class itself would take 0x3FFFFFFE.
    EXPECT_EQ(LoadCause(oneObject, [](CArchive& ar) { ar.ReadObject(nullptr); }, 0x3FFFFFFE),
              CArchiveException::badIndex);
    try {
        Store([&](CArchive& ar) { ar << &a; }, 0x3FFFFFFD);
        ADD_FAILURE();
    } catch (const CArchiveException& e) {
        EXPECT_EQ(e.m_cause, CArchiveException::badIndex);
    }
    // A second object of the known class would take 0x3FFFFFFE.
    const Bytes twoObjects = Cat({oneObject, B({0xFF, 0x7F}), Le32(0x80000000 | 0x3FFFFFFB), Le32(2), B({0, 0})});
    EXPECT_EQ(LoadCause(twoObjects, [](CArchive& ar) { ar.ReadObject(nullptr); ar.ReadObject(nullptr); }, 0x3FFFFFFB),
              -1);
    EXPECT_EQ(LoadCause(twoObjects, [](CArchive& ar) { ar.ReadObject(nullptr); ar.ReadObject(nullptr); }, 0x3FFFFFFC),
              CArchiveException::badIndex);
}

TEST(ArchiveErrors, NumbersBelowAnInjectedStartNameNothing) {
    EXPECT_EQ(LoadCause(B({0x05, 0x00}), [](CArchive& ar) { ar.ReadObject(nullptr); }, 100), CArchiveException::badIndex);
}

TEST(ArchiveErrors, BadClassAndBadSchema) {
    struct Case {
        const char* what;
        Bytes bytes;
        const CRuntimeClass* required;
        int cause;
    } cases[] = {
        {"known class", Cat({NewClass("CTNode"), Le32(0), B({0, 0})}), nullptr, -1},
        {"63-byte name reads the name", Cat({NewClass(std::string(63, 'X'))}), nullptr, CArchiveException::badClass},
        {"64-byte name", NewClass(std::string(64, 'C')), nullptr, CArchiveException::badClass},
        {"64 given as length, nothing follows", B({0xFF, 0xFF, 0, 0, 64, 0}), nullptr, CArchiveException::badClass},
        {"truncated name", Cat({B({0xFF, 0xFF, 0, 0, 6, 0}), Str("CTN")}), nullptr, CArchiveException::badClass},
        {"unknown name", Cat({NewClass("CKTNothing"), Le32(0)}), nullptr, CArchiveException::badClass},
        {"case differs", Cat({NewClass("ctnode"), Le32(0), B({0, 0})}), nullptr, CArchiveException::badClass},
        {"prefix of a name", Cat({NewClass("CTNod"), Le32(0), B({0, 0})}), nullptr, CArchiveException::badClass},
        {"name with a zero byte", Cat({NewClass(std::string("CTNode\0", 7)), Le32(0), B({0, 0})}), nullptr,
         CArchiveException::badClass},
        {"registered without creation", NewClass("CTAbstract"), nullptr, CArchiveException::badClass},
        {"not registered (a collection)", NewClass("CObList"), nullptr, CArchiveException::badClass},
        {"schema 1 of a known class", Cat({NewClass("CTNode", 1), Le32(0), B({0, 0})}), nullptr,
         CArchiveException::badSchema},
        {"schema 0xFFFF", Cat({NewClass("CTNode", 0xFFFF), Le32(0), B({0, 0})}), nullptr, CArchiveException::badSchema},
        {"new object of another class", Cat({NewClass("CTOther"), Le16(0)}), RUNTIME_CLASS(CTNode),
         CArchiveException::badClass},
        {"new object of a subclass", Cat({NewClass("CTSub"), Le32(0), B({0, 0}), Le16(0)}), RUNTIME_CLASS(CTNode), -1},
        {"new object of the base class", Cat({NewClass("CTNode"), Le32(0), B({0, 0})}), RUNTIME_CLASS(CTSub),
         CArchiveException::badClass},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(ReadObjectCause(c.bytes, c.required), c.cause);
    }
    // A back-reference or a class tag of the wrong class: object 2 is a CTNode.
    EXPECT_EQ(ReadFourThen(B({0x02, 0x00}), RUNTIME_CLASS(CTOther)), CArchiveException::badClass);
    EXPECT_EQ(ReadFourThen(B({0x02, 0x00}), RUNTIME_CLASS(CObject)), -1);
    EXPECT_EQ(ReadFourThen(Cat({B({0x01, 0x80}), Le32(0), B({0, 0})}), RUNTIME_CLASS(CTOther)),
              CArchiveException::badClass);
    // A typed field: CTNode::m_pNext must be a CTNode.
    EXPECT_EQ(ReadObjectCause(Cat({NewClass("CTNode"), Le32(0), NewClass("CTOther"), Le16(0)})),
              CArchiveException::badClass);
}

// The stored name is checked on the way out too, so nothing is written that cannot be read.
class CTLongName : public CObject {
public:
    const CRuntimeClass* GetRuntimeClass() const override { return &s_class; }
    static const CRuntimeClass s_class;
};
const CRuntimeClass CTLongName::s_class = {"CKTAVeryLongClassNameThatNeedsSixtyFourBytesOfStorage12345678901",
                                           static_cast<int>(sizeof(CTLongName)), 0, nullptr,
                                           RUNTIME_CLASS(CObject)};

TEST(ArchiveErrors, StoringAClassThatCannotBeReadIsBadClass) {
    ASSERT_EQ(strlen(CTLongName::s_class.m_lpszClassName), 64u);
    CTLongName longName;
    CTAbstract notStorable;
    for (CObject* p : {static_cast<CObject*>(&longName), static_cast<CObject*>(&notStorable)}) {
        try {
            Store([&](CArchive& ar) { ar << p; });
            ADD_FAILURE();
        } catch (const CArchiveException& e) {
            EXPECT_EQ(e.m_cause, CArchiveException::badClass);
        }
    }
}

// A chain nested deeper than the limit fails cleanly on both sides.
TEST(ArchiveErrors, NestingDeeperThanTheLimit) {
    std::vector<CTNode> nodes(50);
    for (size_t i = 0; i + 1 < nodes.size(); i++) nodes[i].m_pNext = &nodes[i + 1];
    Bytes bytes = Store([&](CArchive& ar) { ar << &nodes[0]; });
    EXPECT_EQ(LoadCause(bytes, [](CArchive& ar) { ar.ReadObject(nullptr); }), -1);
    EXPECT_EQ(LoadCause(bytes, [](CArchive& ar) { ar.SetMaxDepth(50); ar.ReadObject(nullptr); }), -1);
    EXPECT_EQ(LoadCause(bytes, [](CArchive& ar) { ar.SetMaxDepth(49); ar.ReadObject(nullptr); }),
              CArchiveException::badIndex);
    try {
        Store([&](CArchive& ar) { ar.SetMaxDepth(49); ar << &nodes[0]; });
        ADD_FAILURE();
    } catch (const CArchiveException& e) {
        EXPECT_EQ(e.m_cause, CArchiveException::genericException);
    }
}

// The default limit: a chain exactly that deep loads (within the stack, sanitizers included), one
// more fails cleanly.
TEST(ArchiveErrors, DefaultDepthLimit) {
    for (DWORD depth : {CArchive::kDefaultMaxDepth, CArchive::kDefaultMaxDepth + 1}) {
        Bytes bytes = NewClass("CTNode");
        for (DWORD i = 0; i < depth; i++) {
            if (i) bytes.insert(bytes.end(), {0x01, 0x80});
            Bytes n = Le32(i);
            bytes.insert(bytes.end(), n.begin(), n.end());
        }
        bytes.insert(bytes.end(), {0, 0});
        EXPECT_EQ(ReadObjectCause(bytes), depth > CArchive::kDefaultMaxDepth ? CArchiveException::badIndex : -1);
    }
}

// On a thread with a small stack the load stops cleanly when the stack runs low, before the depth
// limit: a chain 4000 deep does not fit in 384 KiB.
TEST(ArchiveErrors, LowStackStopsNestingCleanly) {
    struct Job {
        Bytes bytes;
        int cause = -2;
    } job;
    job.bytes = NewClass("CTNode");
    for (DWORD i = 0; i < 4000; i++) {
        if (i) job.bytes.insert(job.bytes.end(), {0x01, 0x80});
        Bytes n = Le32(i);
        job.bytes.insert(job.bytes.end(), n.begin(), n.end());
    }
    job.bytes.insert(job.bytes.end(), {0, 0});
    ASSERT_EQ(ReadObjectCause(job.bytes), -1);  // fine on the main thread
    pthread_attr_t attr;
    pthread_attr_init(&attr);
    pthread_attr_setstacksize(&attr, 384 * 1024);
    pthread_t th;
    ASSERT_EQ(pthread_create(&th, &attr, [](void* p) -> void* {
        auto* j = static_cast<Job*>(p);
        j->cause = ReadObjectCause(j->bytes);
        return nullptr;
    }, &job), 0);
    pthread_join(th, nullptr);
    pthread_attr_destroy(&attr);
    EXPECT_EQ(job.cause, CArchiveException::badIndex);
}

// Every object a failed load built is listed once, in creation order, and can be freed.
TEST(ArchiveErrors, FailedLoadListsWhatItBuilt) {
    // a (new) -> next b (new) -> next: a CTOther where a CTNode is required.
    Bytes bytes = Cat({NewClass("CTNode"), Le32(1), B({0x01, 0x80}), Le32(2), NewClass("CTOther"), Le16(0)});
    CMemFile mem(bytes.data(), bytes.size());
    CArchive ar(&mem, CArchive::load);
    CTNode* pRoot = nullptr;
    try {
        ar >> pRoot;
        ADD_FAILURE();
    } catch (const CArchiveException& e) {
        EXPECT_EQ(e.m_cause, CArchiveException::badClass);
    }
    EXPECT_EQ(pRoot, nullptr);  // the failed read assigned nothing
    std::vector<CObject*> built = ar.TakeLoadedObjects();
    ASSERT_EQ(built.size(), 2u);  // the CTOther was refused before it was made
    auto* a = static_cast<CTNode*>(built[0]);
    auto* b = static_cast<CTNode*>(built[1]);
    EXPECT_EQ(a->m_n, 1);
    EXPECT_EQ(a->m_pNext, nullptr);  // b's read never returned
    EXPECT_EQ(b->m_n, 2);
    EXPECT_TRUE(ar.GetLoadedObjects().empty());
    for (CObject* p : built) delete p;
}

// Every prefix of a valid stream fails cleanly (and the failed loads free without leaks).
TEST(ArchiveErrors, EveryTruncationFailsCleanly) {
    CTNode a(1), b(2);
    CTSub s;
    a.m_pNext = &s;
    s.m_pNext = &b;
    b.m_pNext = &a;
    Bytes bytes = Store([&](CArchive& ar) { ar << &a << CString("tail"); });
    for (size_t n = 0; n < bytes.size(); n++) {
        Bytes cut(bytes.begin(), bytes.begin() + n);
        int cause = LoadCause(cut, [](CArchive& ar) { CTNode* p; ar >> p; CString t; ar >> t; });
        EXPECT_TRUE(cause == CArchiveException::endOfFile || cause == CArchiveException::badClass) << n;
    }
}

}  // namespace
