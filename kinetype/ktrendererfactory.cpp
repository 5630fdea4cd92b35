#include "kinetype/ktrendererfactory.h"

#include "kinetype/kterdefault.h"

CKTElementRenderer* KTCreateRenderer(int nType) {
    switch (nType) {
    case RENDERER_DEFAULT: return new CKTERDefault;
    default: return nullptr;
    }
}
