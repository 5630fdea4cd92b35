// The command dispatcher of the view: every menu item, function key and live preview ends here.
#include "quillstorm/QuillView.h"

void CQuillView::ExecuteCommand(UINT nId, BOOL bAsk)
{
    (void)nId;
    (void)bAsk;
}
