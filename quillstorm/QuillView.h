// CQuillView: the one view of the program's window. It holds the window-side state (back buffer,
// background image, caret and selection, typing font, size, colour and renderer, pop-up menu, MIDI
// input) and runs the frame loop: a precise 16 ms timer (id 69) that steps the scene once and repaints
// at once, so every paint runs inside its tick.
//
// The scene (CKTBook) belongs to the document; the view reaches it through GetDocument()->m_pBook and
// never keeps a pointer to the book. The view is the book's window (CKTWindow).
//
// Painting: OnDraw paints every layer into the back buffer (a 32-bit surface of the drawing layer) and
// then presents it: painted through the window's DC (paintEvent) the buffer is shown as it is, without
// a copy; painted into any other DC (tests, the benchmark) it is copied there with BitBlt.
//
// Headless use (tests): OnTimer(69) and OnDraw can be called by hand; GetBackBuffer() reads the frame.
//
// Files: the view's handlers are spread over QuillView.cpp (creation, tick, resize, focus, MIDI),
// quillviewdraw.cpp (paint, background image, caret, hierarchy pane), quillviewfile.cpp (file
// commands), quillviewinput.cpp (keyboard, mouse, selection, clipboard), quillviewcommands.cpp (the
// command dispatcher, full screen, the parameter defaults), quillviewsofttype.cpp (softtype commands
// and the renderer parameter editor), quillviewbehaviors.cpp (behaviour commands and the behaviour
// parameter editor), quillviewcapture.cpp (movie capture), quillviewpanels.cpp (the properties panel's
// texts, the panes' clicks and drags), quillviewspray.cpp (the text sprayer and its MIDI control) and
// quillviewhooks.cpp (the pop-up menu's contents).
#pragma once

#include <QBasicTimer>
#include <QWidget>

#include <functional>
#include <initializer_list>

#include "enumeratedfonts/enumeratedfonts.h"
#include "kinetype/ktcomponent.h"
#include "kinetype/ktrecoveryledger.h"
#include "kinetype/ktwindow.h"
#include "platform/afx/afx.h"
#include "platform/gdi/dc.h"
#include "platform/midi/midiin.h"

class CQuillDoc;
class CKTBook;
class CKTElement;
class CKTText;
class CKTPassage;
class CKTWord;
class CKTGlyph;
class CKTElementRenderer;
class CKTBehavior;
class CKTLifespanBhvr;
class CKT1DCollisionDetBhvr;
class CStdioFile;
class CPUMenu;
class CPUMenuItem;
class CPropertyPanel;
class CTimelinePanel;
class CRgbImage;
class CMidiRelay;

typedef intptr_t LRESULT;

class CQuillView : public QWidget, public CKTWindow {
    Q_OBJECT

public:
    static constexpr int kFrameTimerId = 69;
    static constexpr int kFramePeriodMs = 16;

    // The view of pDoc, a child of pParent (the main frame). The window-dependent parts (timer, font
    // catalogue, menu, collision detector, MIDI) wait for OnCreate.
    CQuillView(CQuillDoc* pDoc, QWidget* pParent);
    ~CQuillView() override;

    CQuillDoc* GetDocument() const { return m_pDocument; }
    // The document's current book.
    CKTBook* GetBook() const;

    // ---- window life (run by the frame's creation and destruction)
    // Starts the frame timer, places the frame, gives the book its window and callback, builds the
    // font catalogue and the pop-up menu, creates and starts the collision detector and opens MIDI
    // device 0 when there is one. 0, or -1 when creation fails.
    int OnCreate();
    // Stops the frame timer, detaches the MIDI callback and stops, resets and closes MIDI input, and
    // finishes a running movie capture.
    void OnDestroy();

    // ---- frame loop
    // One tick for id 69 (any other id: nothing). Public so tests drive ticks by hand.
    void OnTimer(UINT_PTR nIDEvent);
    // The resize: drops the back buffer, the client rectangle and the laid-out background, tells the book.
    void OnSize(UINT nType, int cx, int cy);
    void OnSetFocus();
    void OnKillFocus();

    // ---- painting (quillviewdraw.cpp)
    // The paint: every layer into the back buffer, then the buffer to pDC (see the top of the file).
    void OnDraw(CDC* pDC);
    // Loads (or with an empty path removes) the background image. FALSE when it does not load (the
    // old image and its layout stay).
    BOOL SetBackgroundImage(const CString& strPath);
    // Installs an image made in memory (the view owns it) as SetBackgroundImage does with a loaded one.
    void SetBackgroundImage(CRgbImage* pImage);
    void DrawCaret(CDC* pDC, COLORREF cr);
    void DrawHierarchy(CDC* pDC);
    // Pixels of canvas left clear between an element's bounds, which hug its glyphs, and its selection
    // frame, so that the frame never runs into the letters.
    static constexpr int kSelectionClearance = 1;
    // The rectangle drawn as the selection frame of an element with these absolute bounds; with
    // bSelectedElement, the selected element's outer frame, one pixel outside its own.
    static CRect SelectionFrame(const CRect& rcBounds, BOOL bSelectedElement);
    // The position of the laid-out background for the book's layout (the table of layouts).
    static CPoint BackgroundImagePosition(int nLayout, int nClientWidth, int nClientHeight, int nImageWidth,
                                          int nImageHeight);
    // The frame as last painted (NULL before the first paint and after a resize).
    const gdi::Surface* GetBackBuffer() const;

    // Document files (quillviewfile.cpp)
    // Reads the document strPath and, when it loads, puts its book in place of the current one: the
    // view's references reset, m_bModified 0, files older than 0.9 upgraded; a file read with its
    // version string also applies its stored canvas size (when both sides differ from the last
    // paint's client rectangle) and its background image. A file newer than this program asks first.
    // A file that does not open or does not load shows its message; then, as after a declined
    // warning, the scene, m_strPath and m_bModified stay as they were. The caller sets m_strPath.
    // A document with a recovery copy (m_recovery.Find) asks first, once a session for each copy:
    // Yes reads the copy instead and leaves the scene modified (its next save writes strPath), No
    // reads the file, Cancel reads nothing (FALSE).
    BOOL LoadDocument(const CString& strPath);
    // New: the save prompt, then a new stopped scene named "Untitled.qsd". Open: the prompt, the open
    // dialog, LoadDocument of the chosen file; m_strPath (the bare name: the dialog made the folder
    // current) and the document's path name follow only a successful load. Save writes m_strPath,
    // unless the scene has no name the user chose (m_bUntitled): then it is Save As. Save As: the
    // save dialog; m_strPath, the document's path name and the recent-file list follow only a
    // successful save. Save and Save As return TRUE when the scene was written; a failed or cancelled
    // save writes nothing (a failure shows its message) and keeps the old file and m_bModified.
    void OnFileNew();
    void OnFileOpen();
    BOOL OnFileSave();
    BOOL OnFileSaveAs();
    // A new running scene without any prompt; the background colour carries over.
    void ResetDocument();
    // Beside every cruise behaviour, a stay-in-window (accelerate, factor twice the cruise's maximum
    // acceleration) and an accelerate-on-collision behaviour on its elements. Only while
    // g_fFileVersion < 0.9 (a file older than 0.9 was just loaded).
    void UpgradeOldDocument();
    // The prompt of New and Open (and of a dropped or handed-over file) when the scene is modified:
    // "Yes" saves as Save does (Save As for an untitled scene), "No" goes on. FALSE when the user
    // cancelled the prompt or the save dialog, or the save failed (the scene stays).
    BOOL SaveModifiedBeforeOpen();
    // Makes the client area w x h (the frame's borders lie outside it); the frame ends at (0, 0).
    void SetCanvasSize(int w, int h);
    // Writes the scene with the current client size to strPath; m_bModified 0 when written, else the
    // file error's message. TRUE when written. No dialog: the saves the program names itself (the
    // MIDI note's time-stamped file) come here directly.
    BOOL SaveDocumentTo(const CString& strPath);
    // This session's recovery copies: what the user answered in the open notice, the copies failed
    // saves left, the files opened or saved as documents. A save removes a copy only when it says so.
    CKTRecoveryLedger m_recovery;
    // Puts pNew (NULL: a new, empty book) in place of the document's book: the view lets go of the old
    // scene (references, callback, window) before it is deleted; the new book is current, attached
    // and referenced, with its collision detector (a new one when it has none).
    void ReplaceBook(CKTBook* pNew);
    // The scene now has a name the user chose (a file opened or saved under it): Save writes strPath.
    void NameScene(const CString& strPath);
    // The scene has no name the user chose (New, reset): Save asks for one, and the document's path
    // name goes, so the title is the untitled one that start-up shows.
    void MakeSceneUntitled();
    // End of the document files block

    // ---- the pop-up menu's contents (quillviewhooks.cpp) and full screen (quillviewcommands.cpp). The
    // clipboard, mouse and key handlers from OnEditCopy on are in quillviewinput.cpp.
    void BuildPopupMenu();
    void SetFullScreen(BOOL bFull);
    void OnEditCopy();
    void OnEditPaste();
    void OnMouseMove(UINT nFlags, CPoint point);
    void OnLButtonDown(UINT nFlags, CPoint point);
    void OnLButtonUp(UINT nFlags, CPoint point);
    void OnLButtonDblClk(UINT nFlags, CPoint point);
    void OnRButtonDown(UINT nFlags, CPoint point);
    void OnRButtonUp(UINT nFlags, CPoint point);
    void OnChar(UINT nChar, UINT nRepCnt, UINT nFlags);
    void OnKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags);
    void OnKeyUp(UINT nChar, UINT nRepCnt, UINT nFlags);

    // ---- the book's window
    CDC* GetDC() override;
    int ReleaseDC(CDC* pDC) override;
    void GetClientRect(LPRECT lpRect) const override;

    // ---- book wiring shared by creation, New, load and reset: the view's references into the scene
    // are cleared, the book gets the window and the element-deleted callback.
    void ClearSceneReferences();
    void AttachBook();
    // A new collision detector for the current book: added to it and started.
    void CreateCollisionDetector();

    // Where the font catalogue comes from (NULL: fontconfig). For tests.
    static const CFontSource* s_pFontSource;

    // ---- fields, in their declared order
    BYTE m_bModified;
    CString m_strPath;
    // Set while the scene has no name the user chose (start-up, New, reset), whatever m_strPath says;
    // cleared by Open, Save As and the load of a named file. Save then asks for a name.
    BYTE m_bUntitled;
    CDC* m_pMemDC;
    CBitmap* m_pBackBitmap;
    CBitmap* m_pOldBitmap;
    CRect* m_pClientRect;
    CDC* m_pImageDC;
    CRgbImage* m_pBackImage;
    CBitmap* m_pScaledImage;
    int m_nImageWidth;
    int m_nImageHeight;
    int m_nMouseMode;
    CRect m_rcCanvas;
    BYTE m_bStartFullScreen;
    CPoint m_ptCaret;
    CKTText* m_pTextRoot;
    CKTPassage* m_pCurPassage;
    CKTWord* m_pCurWord;
    CKTGlyph* m_pCurGlyph;
    CKTElement* m_pSelected;
    CKTElement* m_pPrevSelected;
    CKTElementList m_selection;
    int m_nClickAge;
    CPoint m_ptLastClick;
    BYTE m_bCaretHidden;
    BYTE m_bCaretShown;
    CPoint m_ptPrevMouse;
    COLORREF m_crTypingColor;
    LOGFONT m_logFont;
    int m_nPointSize;
    CKTElementRenderer* m_pDefaultRenderer;
    CEnumeratedFonts m_fonts;
    CPUMenu* m_pMenu;
    CPUMenuItem* m_pSimulateItem;
    CPUMenuItem* m_pCaptureItem;
    CPUMenuItem* m_pHierarchyItem;
    CPUMenuItem* m_pPanelItem;
    CPUMenuItem* m_pTransparentItem;
    CPUMenuItem* m_pCursorItem;
    CPUMenuItem* m_pWordnozzleItem;
    CPUMenuItem* m_pFullScreenItem;
    int m_nHoverCommand;
    CKTPassage* m_pPreview;
    CString m_strTitle;
    CKT1DCollisionDetBhvr* m_pCollisionDetector;
    BYTE m_bSizeChanged;
    BYTE m_bCursorShown;
    int m_nLastBehaviorCommand;
    BYTE m_bShowHierarchy;
    CPropertyPanel* m_pPropertyPanel;
    CTimelinePanel* m_pTimeline;
    BYTE m_bShowGrid;
    CPUMenuItem* m_pGridItem;
    // The text sprayer (quillviewspray.cpp).
    int m_nChunkMode;      // 1 glyph, 2 word, 4 passage (a line)
    BYTE m_bSpraying;
    float m_fSpraySpeed;   // added to the spray clock every tick
    float m_fSprayClock;   // a spray step is due from 1.0 on
    CString m_strSourceFile;
    CStdioFile* m_pSourceFile = nullptr;  // owned
    CStringList m_words{10};              // the chunks: lines (glyph, passage modes) or words
    POSITION m_posChunk = nullptr;        // the next chunk; NULL: the head next time
    int m_nCharIndex = 0;                 // glyph mode: the next character of the current line
    CKTPassage* m_pSprayPassage;
    CKTWord* m_pSprayWord;
    CKTGlyph* m_pSprayGlyph;
    CKTElement* m_pSprayed;               // the current piece: follows the mouse, MIDI acts on it
    CKTLifespanBhvr* m_pLifespan = nullptr;  // every released piece joins it (the book owns it)
    double m_dLifespan = 0.1;
    double m_dLifespanVariation = 0.0;
    int m_nSpraySize = 0;
    CKTElementRenderer* m_pSprayRenderer = nullptr;  // prototype (owned); every piece gets a clone
    COLORREF m_crSpray = 0;
    LOGFONT m_sprayFont{};                // lfHeight is m_nSpraySize x 10 whenever the sprayer sets it
    int m_nSprayFontIndex = 0;            // the spray font's place in the font catalogue
    double m_dBlend = 0.0;                // between m_crBlendA (0) and m_crBlendB (1)
    COLORREF m_crBlendA = 0x00FFFFFF;
    COLORREF m_crBlendB = 0x00000000;
    CTypedPtrArray<CObArray, CKTBehavior*> m_templates;  // every sprayed piece joins each (not owned)
    CString m_strSamples[30];             // sample texts in the current directory (notes 78 to 103)
    BYTE m_bNoteHeld[10];                 // held-note flags, repeated every tick
    double m_dRestartRamp;                // -1 idle; armed at 0, resets the scene past 1.0
    DWORD m_dwLastMidiMsg;                // the last behaviour note's message, replayed; 0 none

    // Text sprayer and MIDI control (quillviewspray.cpp)
    // The largest spray size (the font size dialog's limit).
    static constexpr int kMaxSpraySize = 10000;
    // Reloads m_words from the whole source in the current chunk mode and rewinds (nothing without a
    // source). Word mode: runs of graphic bytes split at white space, other bytes dropped; otherwise
    // the non-empty lines.
    void ReadNextChunk();
    // One spray step: the current piece is released (lifespan, templates), the next chunk becomes the
    // new current piece, with a clone of the prototype renderer and the templates, centred on the
    // mouse; the spray clock restarts. Nothing without chunks.
    void SprayText();
    // Opens another source and sprays its first piece; a source that does not open shows why, and the
    // previous one stays in use (FALSE).
    BOOL OpenTextSource(CString strPath);
    // A MIDI message (status | data1 << 8 | data2 << 16). A note-off (or a note-on of velocity 0)
    // clears its note's held flag in any case; the rest acts only while the sprayer runs with a
    // current piece: notes 28 to 115 by the note table, a control change sets the spray size.
    LRESULT OnMidiData(WPARAM wParam, LPARAM dwMidiMessage);
    // The current piece joins every template (PROP_SPRAYING TRUE), or leaves them (FALSE) and the
    // template list is emptied. A glyph is its own target; a word or passage sends its children when
    // the first template is a wave, cryptographic, explode or gravity behaviour, else itself.
    void AttachSprayBehaviors();
    void DetachSprayBehaviors();
    // (1 - t) x m_crBlendA + t x m_crBlendB, channel by channel, truncated.
    COLORREF BlendColors(double t) const;
    // The adjusters; each applies at once to the current piece when there is one.
    void NextSprayFont();
    void PreviousSprayFont();
    void ChangeSprayFontSize(int nDelta);       // clamped to [0, kMaxSpraySize]
    void DecreaseColorBlend(double dDelta);     // clamped to [0, 1]
    void IncreaseColorBlend(double dDelta);
    void AdjustSpraySpeed(float fDelta);        // clamped to [0, 1]
    void AdjustSprayLifespan(double dDelta);
    // Command 116: stops a running sprayer (its templates let go of, the cursor shown); otherwise asks
    // for the source, speed, lifespan and chunk mode and starts it on the chosen source (the cursor
    // hidden). A source that does not open shows why and the sprayer stays stopped.
    void ToggleWordnozzle();
    // Tick step 5, while the sprayer runs: held-note repeats in flag order, the current piece centred
    // on the mouse, the restart ramp.
    void SprayerTick();
    // The held flag of a note (33, 35 to 39, 48 to 51), or -1.
    static int HeldFlagOfNote(int nNote);
    // Constructor and destructor parts: the sample names; the source file, chunks and prototype.
    void InitSprayer();
    void FreeSprayer();
    // End of the text sprayer block

    // Command dispatcher (quillviewcommands.cpp)
    // Runs command nId (menu item, function key, live preview). bAsk tells the behaviour commands
    // whether to show their parameter dialog; ids that name no command do nothing.
    void ExecuteCommand(UINT nId, BOOL bAsk);
    // The frame's commands 32771 to 32775: the same as commands 101, 102, 104, 103 and 105. Each
    // update handler gives the check state of its item (the state that the command toggles).
    void OnShowHierarchy();
    void OnShowPropertyPanel();
    void OnTransparentPanel();
    void OnShowTimeline();
    void OnTransparentTimeline();
    BOOL OnUpdateShowHierarchy() const;
    BOOL OnUpdateShowPropertyPanel() const;
    BOOL OnUpdateTransparentPanel() const;
    BOOL OnUpdateShowTimeline() const;
    BOOL OnUpdateTransparentTimeline() const;
    // The background image (quillviewcommands.cpp): 130 asks for the file and layout in
    // CBackgroundImageDialog, 131 takes the image away (the book keeps its name and layout).
    void ExecuteBackgroundImageCommand(UINT nId);
    // Softtypes (quillviewsofttype.cpp). The softtype commands 80-85, 107-111, 113 and 129: the
    // parameter dialog (where the renderer has parameters, whatever bAsk says) pre-filled from the
    // renderer of m_pSelected when it is of the command's class, else from the defaults; on OK the
    // defaults take its values, m_pDefaultRenderer is replaced by a new renderer of the command's
    // class set from them, and each selected element (the selection of after the dialog) gets a
    // clone of it (the document is then modified). Cancel changes nothing.
    void ExecuteSoftTypeCommand(UINT nId, BOOL bAsk);
    // Edits a renderer in use (the prototype or an element's), by its class: nothing for NULL and
    // the default, particle, test and erode-edge renderers; otherwise its softtype's dialog pre-filled
    // from it, and on OK the values go into that softtype's defaults and from them into the renderer
    // when it is still the prototype, or still the renderer of its element and that element is still
    // in the current book (an element's edit marks the document modified).
    void EditRendererParameters(CKTElementRenderer* pRenderer);
    // Behaviours (quillviewbehaviors.cpp). The behaviour commands (the recipe ids, "add same" 132,
    // "remove" 57, "remove all" 133). A recipe needs a selection (scroll 125 and sequential 124: an
    // empty one); its dialog, where it has one and bAsk is TRUE, is pre-filled from the parameter
    // defaults and on OK writes them back (anything else ends the command); then the recipe's
    // behaviours and triggers are made from the defaults, the selection of after the dialog is
    // attached, the book gets them and the ones that run at once start; the document is modified and
    // m_nLastBehaviorCommand names the recipe. "remove" and "remove all" only detach elements.
    void ExecuteBehaviorCommand(UINT nId, BOOL bAsk);
    // The parameter dialog of a behaviour in use (the properties panel's behaviour rows), chosen by its
    // type id and filled from the behaviour; on OK the values go into the behaviour (not into the
    // defaults) when it is still in the current book, and the document is modified. NULL, and types
    // without a dialog, do nothing.
    void EditBehaviorParameters(CKTBehavior* pBehavior);
    // Detaches pElement from every behaviour it is attached to except the collision detector (type 1).
    // The behaviours stay in the book.
    void RemoveAllBehaviors(CKTElement* pElement);
    // The largest canvas side the canvas commands make.
    static constexpr int kMaxCanvasSide = 16384;
    // Parameter defaults: pre-fill every parameter dialog and take its confirmed values (never stored
    // in documents).
    float m_fPulseDistortion = 0.1f;
    float m_fPulseScale = 5.0f;
    float m_fPulsePeriod = 30.0f;
    float m_fPullMouseStrength = 400.0f;
    float m_fPullMouseFalloff = 25.0f;
    float m_fPullOriginStrength = 2.0f;
    float m_fLensMagnification = 1.0f;
    float m_fLensFalloff = 20.0f;
    float m_fDisintegrateMouseOver = 0.2f;
    float m_fDisintegrateMouseOutside = -0.02f;
    float m_fErosionMouseOver = 0.00001f;
    float m_fErosionMouseOutside = 0.02f;
    float m_fClayMouseStrength = 10.0f;
    float m_fClayMouseFalloff = 10.0f;
    float m_fClayOriginStrength = 0.15f;
    float m_fDriftMouseStrength = 1.0f;
    float m_fDriftMouseFalloff = 10.0f;
    float m_fDriftOriginStrength = 0.15f;
    float m_fDriftFriction = 0.02f;
    float m_fColorStaticRadius = 50.0f;
    float m_fColorStaticSpeed = 2.0f;
    float m_fColorStaticSpacing = 0.2f;
    float m_fTrailRadius = 50.0f;
    float m_fTrailSpeed = 2.0f;
    float m_fTrailSpacing = 0.2f;
    float m_fTransparentMouseOver = 0.0f;
    float m_fTransparentMouseOutside = 0.0f;
    float m_fTransparency = 0.5f;
    double m_dCryptoSpeed = 0.5;
    int m_nCryptoMaxShifts = 36;
    int m_nCryptoMinShifts = 12;
    BYTE m_bCryptoContinuous = 1;
    double m_dSynShiftSpeed = 0.01;
    int m_nGravityGroundType = 2;  // window
    double m_dGravityMagnitude = 30.0;
    double m_dGravityElasticity = 0.2;
    double m_dGravityFeedback = 0.25;
    int m_nGravityPlaneY = 300;
    double m_dGravityDrag = 0.5;
    double m_dCruiseMaxAcceleration = 25.0;
    double m_dCruiseDrag = 0.01;
    double m_dExplodeMinForce = 500.0;
    double m_dExplodeMaxForce = 2000.0;
    double m_dExplodeDelay = 0.0;
    double m_dFadeVelocity = 10.0;
    COLORREF m_crFadeColor = 0x00FFFFFF;
    double m_dFocalFadeRadius = 50.0;
    COLORREF m_crFocusColor = 0x00000000;
    COLORREF m_crUnfocusColor = 0x00FFFFFF;
    CString m_strForwardFile = "nextfile.qsd";
    CString m_strBackwardFile = "previousfile.qsd";
    double m_dViralDormancy = 1.0;
    double m_dScrollSpeed = 2.0;
    int m_nScrollChunk = 1;  // word
    int m_nScrollJustification = 0;
    int m_nScrollOrientation = 0;  // horizontal
    int m_nScrollDirection = 0;    // left or up
    CString m_strScrollText = "Quillstorm!\r\nType that lives, moves and answers back.\r\n";
    UINT m_nSequentialHold = 10;
    int m_nSequentialChunk = 0;  // glyph
    int m_nSequentialJustification = 0;
    int m_nSequentialOrder = 0;
    CString m_strSequentialText = "Corvid Works Laboratory\r\nWords that come one at a time.\r\n";
    double m_dSpringDamping = 2.0;
    double m_dSpringFriction = 0.2;
    double m_dSpringConstant = 5.0;
    double m_dThrobMinSize = 0.5;
    double m_dThrobMaxSize = 2.0;
    double m_dThrobStep = 0.2;
    double m_dWaveMaxCrest = 20.0;
    double m_dWavePhaseIncrement = 0.1;
    // End of the command dispatcher block

    // Movie capture (quillviewcapture.cpp)
    // 62 and F1: not capturing, the save dialog for the movie file and a capture of the client area's
    // size (the capture item then reads "end QT capture"); capturing, the movie is finished and the
    // item reads "start QT capture" again. A movie that cannot be written is reported.
    void ToggleMovieCapture();
    // Finishes a running capture (the window closes).
    void EndMovieCapture();
    // Paint step 14: while capturing, the back buffer pDC to the movie's frame DC and one frame added.
    void CaptureFrame(CDC* pDC);
    // End of the movie capture block

    // The properties panel and the timeline pane (quillviewpanels.cpp)
    // Paint step 11: while the panel is visible, its rows from m_pSelected, or without a selection from
    // the typing state (font, size, colour, caret, m_pDefaultRenderer); the book's clock either way.
    void FillPropertyPanel();
    // Paint step 12: the visible panes, then the pop-up menu.
    void DrawPanelsAndMenu(CDC* pDC);
    // Steps 4b and 4c of a left press: a press on the visible panel's softtype row opens the editor of
    // the selected element's renderer (the typing renderer without a selection), one on a behaviour
    // row that of the selected element's behaviour of that row (nothing when the row is stale); either
    // way the press is done (PanePress::Done: no book press, no drag). Elsewhere on the panel it drags
    // the panel (mode 4), on the visible timeline the timeline (mode 5).
    enum class PanePress { None, Drag, Done };
    PanePress PressOnPanes(CPoint point);
    // Modes 4 and 5 of a mouse move: the dragged pane moves by d (the panel's position row then reads
    // its new corner, "x-%d y-%d").
    void DragPane(CSize d);
    // End of the panes block

    // Keyboard, mouse, selection and clipboard (quillviewinput.cpp; the handlers OnChar, OnKeyDown,
    // OnKeyUp, the mouse handlers, OnEditCopy and OnEditPaste are declared above).
    // The caret is (m_pCurPassage, m_pCurWord, m_pCurGlyph): no passage, the next character starts one
    // at m_ptCaret; no word, it starts a word at the end of the passage; no glyph, the caret stands
    // before the word's first glyph, otherwise after the glyph. A word is a run of word characters
    // (letters, digits, the apostrophe) or exactly one other character.
    // Inserts one glyph at the caret, making words and a passage as needed, then updates the caret.
    void InsertCharacter(char c);
    // A glyph as typing makes it: the font, the character, the colour, a clone of the prototype
    // renderer (a clone the glyph refuses is freed), automatic layout. Not in any tree.
    static CKTGlyph* NewGlyph(const LOGFONT& lf, char c, COLORREF cr, CKTElementRenderer* pPrototype);
    // Backspace: the selected element when there is one, otherwise the glyph or word before the caret.
    void DeleteBackward();
    // m_ptCaret from the caret position (unchanged when the caret names nothing).
    void UpdateCaret();
    void MoveCaretLeft();
    void MoveCaretRight();
    void MoveCaretUp();
    void MoveCaretDown();
    // The first glyph in tree order, or the first element of m_selection in list order, whose absolute
    // bounds contain the point (left and top inclusive); NULL when none does.
    CKTGlyph* PickGlyph(CPoint point);
    CKTElement* HitSelection(CPoint point);
    // Moves m_pSelected between the caret's glyph, word and passage (glyph, word, passage, word, ...).
    void CycleSelectionLevel();
    // Appends, in tree order, every glyph whose normalised absolute bounds meet rc.
    void SelectInRect(CRect rc);
    // The hover preview of font and size items: m_strTitle as a passage outside the book's tree
    // (owned by the view, deleted when the right button goes up), placed beside the menu's centre.
    void CreatePreviewText();
    void PlacePreviewText();
    // Whether copy and paste are enabled: copy while something is selected, paste while the
    // clipboard holds text. The frame's accelerators run a command only when it is enabled.
    BOOL OnUpdateEditCopy() const;
    BOOL OnUpdateEditPaste() const;
    // Whether the view holds the mouse capture (taken by a button press, released by its release).
    BOOL HasCapture() const { return m_bHasCapture ? TRUE : FALSE; }
    // The key handlers' virtual-key code of a toolkit key (0 for a key without one), and the mouse
    // handlers' MK_ flags of the buttons and modifiers of a toolkit event.
    static UINT VirtualKeyOf(int nQtKey);
    static UINT MouseFlagsOf(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers);
    BOOL m_bHasCapture = FALSE;
    // The toolkit's last button press (a double click it reports after that press is not a second
    // press: the view applies its own double-click rule to the press).
    Qt::MouseButton m_lastPressButton = Qt::NoButton;
    ulong m_nLastPressTime = 0;
    // End of the keyboard, mouse, selection and clipboard block

    // ---- state of this implementation
    // TRUE while a tick steps the scene (steps 1 to 5): a tick or paint that arrives then (from a modal
    // loop inside the step, such as a pending load's message box) neither steps nor draws.
    BOOL IsTickBusy() const { return m_bTickBusy ? TRUE : FALSE; }
    // How many ticks stepped, and how many paints drew the scene (for tests).
    int m_nTicksStepped = 0;
    int m_nFramesDrawn = 0;
    // Called with each MIDI message just before OnMidiData handles it (diagnostics and tests).
    std::function<void(DWORD)> m_onMidiMessage;

protected:
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void timerEvent(QTimerEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void keyReleaseEvent(QKeyEvent* e) override;
    bool focusNextPrevChild(bool next) override;

private:
    friend class CMidiRelay;
    // Drops what a resize drops (back buffer, client rectangle, laid-out background).
    void DropBackBuffer();
    // Lays the background image out for the current layout (paint step 2).
    void LayOutBackgroundImage(CDC* pDC, int nWidth, int nHeight);
    // The paint's last step: the back buffer to pDC (no copy for the window's DC).
    void PresentBackBuffer(CDC* pDC, int nWidth, int nHeight);
    void OpenMidiInput();
    void CloseMidiInput();
    // Messages drained from the MIDI queue, on the GUI thread, in arrival order. A message that
    // comes while a document loads, a tick steps or another message is handled (a message box's loop)
    // is dropped, all but a note-off's clearing of its held flag.
    void DeliverMidiMessage(DWORD dwMsg);
    // The sprayer's private steps (quillviewspray.cpp).
    void ClearHeldFlag(DWORD dwMsg);
    void OnSprayNote(int nNote, DWORD dwMsg);
    void SetSprayRenderer(CKTElementRenderer* pPrototype);
    void UseSprayTemplates(std::initializer_list<CKTBehavior*> templates, BOOL bAttachNow);
    void ExplodeAllButSprayed();
    CStdioFile* OpenSourceFile(const CString& strPath);
    void CloseSourceFile();
    void EnsureSprayLifespan();
    void CentreOnMouse(CKTElement* pElement);
    void ApplySprayFace();
    void ApplySprayBlend();
    void ForgetRemovedSprayBehaviors();
    void ShowSprayCursor(BOOL bShow);

    CQuillDoc* m_pDocument;
    QBasicTimer m_frameTimer;
    int m_nImageLayout = 0;  // the book's layout when the background was laid out
    CDC m_windowDC;  // the window's DC as the book and OnDraw see it: it has no pixels of its own
    CMidiRelay* m_pMidiRelay = nullptr;
    BOOL m_bTickBusy = FALSE;
    BOOL m_bPainting = FALSE;
    BOOL m_bDestroyed = FALSE;
    BOOL m_bHandlingMidi = FALSE;
};

// The process-wide view (NULL before the view exists and after it is destroyed).
extern CQuillView* g_pView;
// The open MIDI input device, or NULL.
extern HMIDIIN g_hMidiIn;
