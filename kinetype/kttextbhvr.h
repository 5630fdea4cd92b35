// Pieces shared by the behaviours that rebuild text in place (synonym shift, sequential): making a
// glyph like its word's others and clearing an element's children.
#pragma once

class CKTElement;
class CKTElementRenderer;
class CKTGlyph;

// A new, unattached glyph showing c in pStyle's font and colour, with automatic layout on, drawn by a
// Clone of pRenderer, or by a new default renderer when pRenderer is NULL or makes no copies. (The
// glyph is made without the default renderer its constructor would give it, which would only be
// registered and withdrawn again.)
CKTGlyph* KTNewGlyph(const CKTElement* pStyle, char c, CKTElementRenderer* pRenderer);

// Every child of pElement dies with re-flow (Die(TRUE, FALSE)); pElement stays, even when empty.
void KTKillChildren(CKTElement* pElement);
