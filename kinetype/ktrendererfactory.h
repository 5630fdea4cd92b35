// One factory for the element renderers by type id, for the set-renderer behaviour and the commands
// that give the selection a style.
#pragma once

class CKTElementRenderer;

// A new renderer of type nType with its default parameters, owned by the caller: 1 CKTERDefault,
// 2 CKTERParticle, 3 CKTERLens, 4 CKTERPull, 5 CKTERPulse, 6 CKTERSplatter, 7 CKTERTest. NULL for
// any other id.
CKTElementRenderer* KTCreateRenderer(int nType);
