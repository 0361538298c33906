// How long Speak takes to fail without a sound server: one that refuses, one
// that never answers (the connect timeout). Prints figures.
#pragma once

void PrintConnectFigures();
