// libFuzzer target: document bytes read into a new book (ktdocument.h), with a current book the
// load must leave alone; a document that loads must save and load back to the same bytes.
#include <cstddef>
#include <cstdint>

#include "fuzz/document/fuzzdoc.h"
#include "kinetype/ktbook.h"
#include "kinetype/ktregister.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    KTRegisterClasses();
    new CKTBook;  // the user's scene, current for the whole run
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FzdLoadAndCheck(data, size);
    return 0;
}
