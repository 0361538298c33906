// narrate: renders a text file into a WAV file with an installed voice.
#include "run_narrate.h"

int main(int argc, char** argv) { return narrate::RunNarrate(argc, argv); }
