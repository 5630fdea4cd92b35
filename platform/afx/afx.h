// Our stand-in for the class library's object model and stored form: CObject with run-time classes
// and the class registry (afxobj.h), CString (afxstr.h), exceptions (afxexcept.h), CFile and CMemFile
// (afxfile.h), CArchive (afxarchive.h), lists and arrays (afxcoll.h), CPoint/CSize/CRect (afxgeom.h).
#pragma once

#include "platform/crt/wintypes.h"
#include "platform/afx/afxgeom.h"
#include "platform/afx/afxobj.h"
#include "platform/afx/afxstr.h"
#include "platform/afx/afxexcept.h"
#include "platform/afx/afxfile.h"
#include "platform/afx/afxarchive.h"
#include "platform/afx/afxcoll.h"
