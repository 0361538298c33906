#!/usr/bin/env bash
# Makes the committed PDF samples (CI never runs this):
#   keeper.pdf     keeper.ms through groff: an outline, running heads, page
#                  numbers, hyphenated line ends, title and author
#   encrypted.pdf  keeper.pdf locked with the user password "keeper"
# Needs groff (gropdf) and qpdf: apt-get install groff qpdf
set -euo pipefail
cd "$(dirname "$0")"
# A6 pages, so that the short text runs over several of them.
groff -Tpdf -ms -mpdf -dpaper=a6 -P-pa6 keeper.ms > keeper.pdf
qpdf --encrypt keeper owner 256 -- keeper.pdf encrypted.pdf
