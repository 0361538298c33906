#!/usr/bin/env bash
# Makes the committed samples of the XML and archive formats from
# lighthouse.md (CI never runs this). Each holds the same short book: a title,
# an author, three chapters, a footnote, a ruby annotation, an image and a page
# break (DOCX also a deleted revision and a field code):
#   lighthouse.epub     EPUB 3: navigation document, epub:type marks
#   lighthouse-2.epub   EPUB 2: NCX, footnotes without marks
#   lighthouse.docx, lighthouse.odt, lighthouse.fb2, lighthouse.html
# Needs pandoc (2.17 made the committed ones): apt-get install pandoc
set -euo pipefail
cd "$(dirname "$0")"
# A one-pixel PNG for the image.
base64 -d > lamp.png <<'PNG'
iVBORw0KGgoAAAANSUhEUgAAAAEAAAABCAYAAAAfFcSJAAAADUlEQVR42mP8z8BQDwAEhQGAhKmMIQAAAABJRU5ErkJggg==
PNG
pandoc lighthouse.md -t epub3 -o lighthouse.epub
pandoc lighthouse.md -t epub2 -o lighthouse-2.epub
pandoc lighthouse.md -o lighthouse.docx
pandoc lighthouse.md -o lighthouse.odt
pandoc lighthouse.md -o lighthouse.fb2
pandoc lighthouse.md -s -o lighthouse.html
rm lamp.png
