#!/bin/sh
# Writes the EMF, WMF and PNG of every drawing in this folder with LibreOffice, as test_mfreal.cpp
# reads them. Made once by hand with Debian 12's libreoffice-draw 7.4 (headless) and the project's
# fonts (fonts-dejavu-core, fonts-liberation2); neither the build nor the tests run it.
#   apt-get install -y --no-install-recommends libreoffice-draw
#   cd tests/pixmill/metafiles/libreoffice && sh make.sh
set -e
for f in *.fodg; do
  soffice --headless --convert-to emf "$f"
  soffice --headless --convert-to wmf "$f"
  # An opaque PNG: the page's white instead of transparency.
  soffice --headless --convert-to 'png:draw_png_Export:{"Translucent":{"type":"boolean","value":"false"}}' "$f"
done
