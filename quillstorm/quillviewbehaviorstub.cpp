// The behaviour editor of the properties panel's rows, until the behaviour commands are written: it
// opens nothing yet.
#include "quillstorm/QuillView.h"

void CQuillView::EditBehaviorParameters(CKTBehavior*) {}
