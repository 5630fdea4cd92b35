// The Windows-1252 conversions under the names the drawing layer and its callers use.
#pragma once

#include "platform/crt/cp1252.h"

namespace gdi {

using crt::Cp1252ToUnicode;
using crt::Cp1252ToUtf8;
using crt::UnicodeToCp1252;
using crt::Utf8ToCp1252;

}  // namespace gdi
