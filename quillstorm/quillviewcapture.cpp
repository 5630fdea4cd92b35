// Movie capture: F1 and command 62 start a capture into a movie file chosen in a save dialog, and end
// it; while it runs every paint hands its finished frame to the movie writer.
#include "platform/ui/uiservices.h"
#include "pumenu/pumenuitem.h"
#include "quillstorm/QuillView.h"
#include "winquicktime/winquicktime.h"

namespace {

void SetCaptureLabel(CPUMenuItem* pItem, const char* pszLabel) {
    if (pItem) pItem->SetLabel(pszLabel);
}

}  // namespace

void CQuillView::ToggleMovieCapture() {
    if (!g_bCapturing) {
        ui::FileDialogRequest request;
        request.bOpen = false;
        request.strDefExt = "mov";
        request.strFileName = "LiveMovie";
        request.dwFlags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT;
        request.strFilter = "Movie File (*.MOV)|*.MOV|All files (*.*)|*.*|";
        request.strTitle = "Movie file";
        std::string strPath;
        if (!ui::GetUIServices()->FileDialog(request, &strPath)) return;
        // The client rectangle of now: the window may have changed while the dialog was open.
        CRect rc;
        GetClientRect(&rc);
        HDC hdc = g_quickTime.StartMovie(strPath.c_str(), this, &rc);
        if (!hdc) return;
        g_hMovieDC = hdc;
        g_bCapturing = TRUE;
        SetCaptureLabel(m_pCaptureItem, "end QT capture");
        return;
    }
    const int nResult = g_quickTime.FinishMovie();
    SetCaptureLabel(m_pCaptureItem, "start QT capture");
    g_bCapturing = FALSE;
    g_hMovieDC = nullptr;  // freed with the movie
    if (nResult != 0) AfxMessageBox(CWinQuickTime::kWriteErrorMessage, MB_OK | MB_ICONEXCLAMATION);
}

void CQuillView::EndMovieCapture() {
    if (g_bCapturing) ToggleMovieCapture();
}

void CQuillView::CaptureFrame(CDC* pDC) {
    if (!g_bCapturing || !g_hMovieDC || !m_pClientRect) return;
    // The movie keeps the size it started with: a larger canvas is clipped, a smaller one leaves the
    // rest of the frame as it was.
    g_hMovieDC->BitBlt(0, 0, m_pClientRect->Width(), m_pClientRect->Height(), pDC, 0, 0, SRCCOPY);
    g_quickTime.AddFrame();
}
