#include "kinetype/ktglobals.h"

BYTE g_bLoading = 0;
float g_fFileVersion = 0.0f;
CKTBook* g_pCurrentBook = nullptr;
